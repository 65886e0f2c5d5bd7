#include "engine/replay_driver.h"

namespace qv {
namespace {

constexpr std::int64_t MICROSECONDS = 1'000'000;

std::int64_t microsecondsOf(std::uint32_t seconds, std::uint32_t microseconds) {
    return static_cast<std::int64_t>(seconds) * MICROSECONDS + microseconds;
}

TDateTime localTime(std::int64_t microseconds) {
    return localDateTimeFromUnix(static_cast<std::time_t>(microseconds / MICROSECONDS),
                                 microseconds % MICROSECONDS);
}

} // namespace

ReplayDriver::ReplayDriver(ArpDetector& detector, ScanDetector& scans, ManualClock& clock)
    : m_detector(detector), m_scans(scans), m_clock(clock) {}

void ReplayDriver::startAt(std::uint32_t seconds, std::uint32_t microseconds) {
    if (!m_start) {
        m_start = microsecondsOf(seconds, microseconds);
        m_nextPass = *m_start + MICROSECONDS;
    }
}

bool ReplayDriver::runPassAt(std::int64_t microseconds) {
    m_clock.set(localTime(microseconds));
    ++m_passes;
    return m_scans.detectScans();
}

// After an idle pass every further pass is a no-op until the next frame, so those are skipped: a
// capture with hours of silence, or a time stamp that jumps by years, costs one pass instead of
// millions, and nothing a file or the output shows changes.
void ReplayDriver::runPassesUntil(std::int64_t microseconds) {
    while (m_nextPass <= microseconds) {
        if (runPassAt(m_nextPass)) {
            const std::int64_t elapsed = microseconds - *m_start;
            m_nextPass = *m_start + (elapsed / MICROSECONDS + 1) * MICROSECONDS;
            return;
        }
        m_nextPass += MICROSECONDS;
    }
}

void ReplayDriver::onArpFrame(const CaptureHeader& header, ArpFrameBytes frame) noexcept {
    startAt(header.seconds, header.microseconds);
    const std::int64_t at = microsecondsOf(header.seconds, header.microseconds);
    runPassesUntil(at);
    m_clock.set(localTime(at));
    m_detector.processArpFrame(frame, m_lines);
    ++m_frames;
}

void ReplayDriver::finish() {
    if (m_start) {
        runPassAt(m_nextPass);
        m_nextPass += MICROSECONDS;
    }
}

} // namespace qv
