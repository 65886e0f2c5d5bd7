#include "engine/capture.h"

#include <vector>

#include "engine/arp_detector.h"

namespace qv {
namespace {

constexpr auto PAUSE_AFTER_PARTIAL_READ = std::chrono::milliseconds(100);

class DetectorSink final : public CapturedFrameSink {
public:
    DetectorSink(ArpDetector& detector, AdapterId adapter, std::atomic<std::uint64_t>& frames)
        : m_detector(detector), m_adapter(adapter), m_frames(frames) {}
    void onArpFrame(const CaptureHeader&, ArpFrameBytes frame) noexcept override {
        m_detector.processArpFrame(frame, m_batch, m_adapter);
        m_frames.fetch_add(1, std::memory_order_relaxed);
    }
    void onNdpFrame(const CaptureHeader&, const NdpMessage& message) noexcept override {
        m_detector.processNdpMessage(message, m_batch, m_adapter);
        m_frames.fetch_add(1, std::memory_order_relaxed);
    }
    // The buffer's events are announced and its lines go to ARP.csv before the next read.
    void onBufferEnd() noexcept override { m_detector.endBatch(m_batch); }

private:
    ArpDetector& m_detector;
    AdapterId m_adapter;
    FrameBatch m_batch;
    std::atomic<std::uint64_t>& m_frames;
};

} // namespace

void CaptureRun::requestStop() {
    std::lock_guard lock(m_guard);
    m_stop = true;
    if (m_source != nullptr) {
        m_source->wake();
    }
}

std::string CaptureRun::error() const {
    std::lock_guard lock(m_guard);
    return m_error;
}

CaptureCounters CaptureRun::counters() const {
    std::lock_guard lock(m_guard);
    return m_lastCounters;
}

void CaptureRun::fail(const std::string& error) {
    std::lock_guard lock(m_guard);
    m_error = error;
    m_phase = Phase::Failed;
}

void CaptureRun::publish(CaptureSource* source) {
    std::lock_guard lock(m_guard);
    m_source = source;
}

void CaptureRun::capture() {
    std::string error;
    std::unique_ptr<CaptureSource> source = m_driver->openAdapter(m_adapterName, error);
    if (!source) {
        fail(error);
        return;
    }
    publish(source.get());
    {
        // requestStop() must never reach a source that is gone, whichever way the reads end.
        struct Unpublish {
            CaptureRun& run;
            ~Unpublish() { run.publish(nullptr); }
        } unpublish{*this};
        m_phase = Phase::Capturing;
        readUntilStopped(*source);
    }
    source.reset();
    m_phase = Phase::Ended;
}

void CaptureRun::readUntilStopped(CaptureSource& source) {
    std::vector<std::uint8_t> buffer(CAPTURE_BUFFER_SIZE);
    DetectorSink sink(*m_detector, m_adapterId, m_frames);
    while (!stopRequested()) {
        const ReadResult read = source.read(buffer);
        ++m_reads;
        walkCaptureBuffer(std::span(buffer).first(std::min(read.bytes, buffer.size())), sink);
        {
            std::lock_guard lock(m_guard);
            m_lastCounters = source.counters();
        }
        // A busy network fills the buffer: read again at once rather than drop frames.
        if (!read.full && !stopRequested()) {
            ++m_pauses;
            source.pause(PAUSE_AFTER_PARTIAL_READ);
        }
    }
}

// The capture thread's edge: what the driver or an allocation throws ends the capture as one that
// failed, with its adapter released, and never the process.
void captureThreadMain(std::shared_ptr<CaptureRun> run) {
    try {
        run->capture();
    } catch (const std::exception& e) {
        run->fail(e.what());
    } catch (...) {
        run->fail("capture ended by an unknown error");
    }
}

std::string adapterDisplayText(const TCapturePacket& adapter) {
    if (adapter.adapterAddress.empty()) {
        return adapter.adapterDescription;
    }
    return adapter.adapterDescription + " (" + adapter.adapterAddress + ")";
}

CaptureControl::CaptureControl(PacketDriver& driver, ArpDetector& detector)
    : m_driver(driver), m_detector(detector) {}

CaptureControl::~CaptureControl() {
    stopAll();
}

int CaptureControl::enumerateAdapters() {
    m_count = 0;
    for (const AdapterInfo& info : m_driver.listAdapters()) {
        if (m_count == MAX_CAPTURE_ADAPTERS) {
            break; // the table holds sixteen; further adapters are not captured
        }
        TCapturePacket& a = m_table[static_cast<std::size_t>(m_count++)];
        a.adapterName = info.name;
        a.adapterDescription = info.description;
        a.adapterAddress = info.address;
    }
    return m_count;
}

bool CaptureControl::addAdapter(const std::string& name) {
    if (m_count == MAX_CAPTURE_ADAPTERS) {
        return false;
    }
    TCapturePacket& a = m_table[static_cast<std::size_t>(m_count++)];
    a.adapterName = name;
    a.adapterDescription = name;
    a.adapterAddress.clear();
    return true;
}

void CaptureControl::join(TCapturePacket& a) {
    if (a.threadHandle.joinable()) {
        a.threadHandle.join();
    }
}

void CaptureControl::startCapture(int index) {
    TCapturePacket& a = adapter(index);
    if (a.threadState == CaptureNone) {
        // The thread of an earlier stop has been told to stop and ends within a second; one
        // object never has two threads.
        join(a);
        a.run = std::make_shared<CaptureRun>();
        a.run->m_adapterName = a.adapterName;
        a.run->m_adapterId = static_cast<AdapterId>(index);
        m_detector.adapterNames().set(a.run->m_adapterId, a.adapterName);
        a.run->m_driver = &m_driver;
        a.run->m_detector = &m_detector;
        a.threadHandle = std::thread(captureThreadMain, a.run);
    }
    // A Suspended thread would be resumed here; nothing in the program suspends one.
    a.threadState = CaptureRunning;
    a.stopRequested = 0;
}

void CaptureControl::stopCapture(int index) {
    TCapturePacket& a = adapter(index);
    a.stopRequested = 1;
    if (a.threadState == CaptureRunning || a.threadState == CaptureSuspended) {
        a.run->requestStop();
    }
    a.threadState = CaptureNone;
}

void CaptureControl::stopAll() {
    for (int i = 0; i < m_count; ++i) {
        stopCapture(i);
    }
    for (auto& a : m_table) {
        join(a);
    }
}

std::vector<std::string> CaptureControl::capturingAdapters() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_count; ++i) {
        const TCapturePacket& a = m_table[static_cast<std::size_t>(i)];
        if (a.threadState == CaptureRunning) {
            names.push_back(a.adapterName);
        }
    }
    return names;
}

void CaptureControl::startSelected(SharedSettings& settings, bool settingsRead) {
    if (!settingsRead) {
        settings.update([&](Settings& s) {
            for (int i = 0; i < m_count && adapterCount(s) < MAX_ADAPTERS; ++i) {
                setFieldText(s.AdapterNames[static_cast<std::size_t>(adapterCount(s))],
                             m_table[static_cast<std::size_t>(i)].adapterName);
                s.AdapterCount = adapterCount(s) + 1;
            }
        });
    }
    const Settings s = settings.snapshot();
    for (int i = 0; i < m_count; ++i) {
        for (int k = 0; k < adapterCount(s); ++k) {
            if (fieldText(s.AdapterNames[static_cast<std::size_t>(k)]) == adapter(i).adapterName) {
                startCapture(i);
                break;
            }
        }
    }
}

} // namespace qv
