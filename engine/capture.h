#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/adapter_names.h"
#include "engine/capture_walk.h"
#include "engine/packet_driver.h"
#include "settings/shared_settings.h"

namespace qv {

class ArpDetector;

inline constexpr int MAX_CAPTURE_ADAPTERS = 16;

enum CaptureThreadState : std::int32_t {
    CaptureNone = 0,
    CaptureRunning = 1,
    CaptureSuspended = 2
};

// One capture thread's life: its own stop flag (never cleared once set, so a new start can never
// take back a stop the thread has not yet seen), its adapter, and what it has done.
class CaptureRun {
public:
    enum class Phase { Opening, Capturing, Failed, Ended };

    void requestStop();
    bool stopRequested() const { return m_stop.load(); }

    Phase phase() const { return m_phase.load(); }
    std::string error() const;
    CaptureCounters counters() const;
    std::uint64_t framesProcessed() const { return m_frames.load(); }
    std::uint64_t reads() const { return m_reads.load(); }
    std::uint64_t pauses() const { return m_pauses.load(); }

private:
    friend class CaptureControl;
    friend void captureThreadMain(std::shared_ptr<CaptureRun> run);

    void capture();
    void readUntilStopped(CaptureSource& source);
    void publish(CaptureSource* source);
    void fail(const std::string& error);

    std::string m_adapterName;
    AdapterId m_adapterId = NO_ADAPTER;
    PacketDriver* m_driver = nullptr;
    ArpDetector* m_detector = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<Phase> m_phase{Phase::Opening};
    std::atomic<std::uint64_t> m_frames{0};
    std::atomic<std::uint64_t> m_reads{0};
    std::atomic<std::uint64_t> m_pauses{0};
    mutable std::mutex m_guard; // the source, the error and the counters
    CaptureSource* m_source = nullptr;
    std::string m_error;
    CaptureCounters m_lastCounters;
};

// The body of a capture thread: opens the adapter, then reads, walks and hands each accepted
// frame to processArpFrame until a stop is requested; pauses 100 ms only after a read that did
// not fill the buffer. Ends within about a second of a stop, never inside processArpFrame, and
// releases its adapter and buffer. An exception from the driver ends it as a failed capture.
void captureThreadMain(std::shared_ptr<CaptureRun> run);

// One adapter of the table and its capture thread.
struct TCapturePacket {
    std::string adapterName;
    std::string adapterDescription;
    std::string adapterAddress;
    std::int32_t threadState = CaptureNone;
    std::uint8_t stopRequested = 0;
    std::thread threadHandle;
    std::shared_ptr<CaptureRun> run;
};

// The adapter's item in the adapter list: the description, and the address in parentheses.
std::string adapterDisplayText(const TCapturePacket& adapter);

// The table of sixteen adapters and their capture threads. Its operations run on one thread (the
// window's, or the watcher's main thread).
class CaptureControl {
public:
    CaptureControl(PacketDriver& driver, ArpDetector& detector);
    ~CaptureControl();
    CaptureControl(const CaptureControl&) = delete;
    CaptureControl& operator=(const CaptureControl&) = delete;

    // Fills the table from the driver's list, at most 16 adapters; returns the adapter count.
    int enumerateAdapters();
    // Adds an adapter that the driver does not list (named by the user); false when full.
    bool addAdapter(const std::string& name);

    // None: starts a thread (after the thread of an earlier stop, if still ending, has ended);
    // Running: only the state and flag assignments; Suspended: resumes.
    void startCapture(int index);
    // Asks the thread to stop and wakes it; does not wait for it.
    void stopCapture(int index);
    // Stops every thread and waits for them to end.
    void stopAll();

    // Start-up: when the settings were not read every adapter is selected (appended to
    // AdapterNames); then capture starts on each adapter named in the first AdapterCount names.
    void startSelected(SharedSettings& settings, bool settingsRead);

    int count() const { return m_count; }
    // The names of the adapters whose capture is running.
    std::vector<std::string> capturingAdapters() const;
    TCapturePacket& adapter(int index) { return m_table.at(static_cast<std::size_t>(index)); }

private:
    // Waits for the adapter's thread, which has been told to stop and ends within a second.
    static void join(TCapturePacket& adapter);

    PacketDriver& m_driver;
    ArpDetector& m_detector;
    std::array<TCapturePacket, MAX_CAPTURE_ADAPTERS> m_table;
    int m_count = 0;
};

} // namespace qv
