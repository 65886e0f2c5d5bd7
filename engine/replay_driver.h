#pragma once

#include <cstdint>
#include <optional>

#include "common/clock.h"
#include "engine/arp_detector.h"
#include "engine/capture_walk.h"
#include "engine/scan_detector.h"

namespace qv {

// Drives the engine from recorded frames on capture time. While a frame is processed the clock
// reads its time stamp; the once-a-second pass runs at t0 + 1 s, t0 + 2 s, ... of capture time
// (t0 being the first frame's time), every pass due at or before a frame's time running before
// that frame, with the clock at the pass's time.
class ReplayDriver final : public CapturedFrameSink {
public:
    ReplayDriver(ArpDetector& detector, ScanDetector& scans, ManualClock& clock);

    // The capture's first frame, ARP or not, fixes t0.
    void startAt(std::uint32_t seconds, std::uint32_t microseconds);
    void onArpFrame(const CaptureHeader& header, ArpFrameBytes frame) noexcept override;
    void onBufferEnd() noexcept override { m_detector.writeArpCsv(m_lines); }
    // The pass that follows the last frame.
    void finish();

    std::uint64_t framesProcessed() const { return m_frames; }
    std::uint64_t passesRun() const { return m_passes; }

private:
    void runPassesUntil(std::int64_t microseconds);
    bool runPassAt(std::int64_t microseconds);

    ArpDetector& m_detector;
    ScanDetector& m_scans;
    ManualClock& m_clock;
    std::optional<std::int64_t> m_start;
    std::int64_t m_nextPass = 0;
    std::uint64_t m_frames = 0;
    std::uint64_t m_passes = 0;
    ArpCsvBatch m_lines;
};

} // namespace qv
