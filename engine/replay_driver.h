#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "common/clock.h"
#include "engine/arp_detector.h"
#include "engine/capture_walk.h"
#include "engine/scan_detector.h"

namespace qv {

// Drives the engine from recorded frames on capture time. While a frame is processed the clock
// reads its time stamp; the once-a-second pass runs at t0 + 1 s, t0 + 2 s, ... of capture time
// (t0 being the capture's first frame's time), every pass due at or before a frame's time, ARP or
// not, running before that frame with the clock at the pass's time, as the passes would have run
// live while the capture was recorded; and one pass follows the last frame.
class ReplayDriver final : public CapturedFrameSink {
public:
    // The once-a-second pass; true when it was idle (ScanDetector::detectScans).
    using Pass = std::function<bool()>;

    ReplayDriver(ArpDetector& detector, ScanDetector& scans, ManualClock& clock);
    ReplayDriver(ArpDetector& detector, Pass pass, ManualClock& clock);

    // The full times (microseconds since 1970, before it too) of the frames of the buffer about to
    // be walked, in their order: a capture header holds only 32 bits of seconds. Without them the
    // headers' own times are used.
    void setFrameTimes(std::vector<std::int64_t> microseconds);
    void onArpFrame(const CaptureHeader& header, ArpFrameBytes frame) noexcept override;
    void onNdpFrame(const CaptureHeader& header, const NdpMessage& message) noexcept override;
    void onOtherFrame(const CaptureHeader& header) noexcept override;
    // The buffer's lines go to ARP.csv.
    void onBufferEnd() noexcept override;
    // The pass that follows the last frame.
    void finish();

    std::uint64_t framesProcessed() const { return m_frames; }
    std::uint64_t passesRun() const { return m_passes; }

private:
    void enterFrame(const CaptureHeader& header);
    void leaveFrame();
    std::int64_t frameTime(const CaptureHeader& header);
    void runPassesUntil(std::int64_t microseconds);
    bool runPassAt(std::int64_t microseconds);

    ArpDetector& m_detector;
    Pass m_pass;
    ManualClock& m_clock;
    std::optional<std::int64_t> m_start;
    std::int64_t m_nextPass = 0;
    std::uint64_t m_frames = 0;
    std::uint64_t m_passes = 0;
    std::vector<std::int64_t> m_times;
    std::size_t m_nextTime = 0;
    FrameBatch m_batch;
};

// The local TDateTime of an instant given in microseconds since 1970 (before it too).
TDateTime localTimeOfMicroseconds(std::int64_t microseconds);

} // namespace qv
