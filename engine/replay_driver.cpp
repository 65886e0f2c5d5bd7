#include "engine/replay_driver.h"

namespace qv {
namespace {

constexpr std::int64_t MICROSECONDS = 1'000'000;

} // namespace

TDateTime localTimeOfMicroseconds(std::int64_t microseconds) {
    std::int64_t seconds = microseconds / MICROSECONDS;
    std::int64_t rest = microseconds % MICROSECONDS;
    if (rest < 0) {
        --seconds;
        rest += MICROSECONDS;
    }
    return localDateTimeFromUnix(static_cast<std::time_t>(seconds), rest);
}

ReplayDriver::ReplayDriver(ArpDetector& detector, ScanDetector& scans, ManualClock& clock)
    : ReplayDriver(
          detector, [&scans] { return scans.detectScans(); }, clock) {}

ReplayDriver::ReplayDriver(ArpDetector& detector, Pass pass, ManualClock& clock)
    : m_detector(detector), m_pass(std::move(pass)), m_clock(clock) {}

void ReplayDriver::setFrameTimes(std::vector<std::int64_t> microseconds) {
    m_times = std::move(microseconds);
    m_nextTime = 0;
}

std::int64_t ReplayDriver::frameTime(const CaptureHeader& header) {
    const std::int64_t at =
        m_nextTime < m_times.size()
            ? m_times[m_nextTime]
            : static_cast<std::int64_t>(header.seconds) * MICROSECONDS + header.microseconds;
    ++m_nextTime;
    if (!m_start) {
        m_start = at;
        m_nextPass = at + MICROSECONDS;
    }
    return at;
}

bool ReplayDriver::runPassAt(std::int64_t microseconds) {
    m_clock.set(localTimeOfMicroseconds(microseconds));
    ++m_passes;
    return m_pass();
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
    enterFrame(header);
    m_detector.processArpFrame(frame, m_batch);
    leaveFrame();
}

void ReplayDriver::onNdpFrame(const CaptureHeader& header, const NdpMessage& message) noexcept {
    enterFrame(header);
    m_detector.processNdpMessage(message, m_batch);
    leaveFrame();
}

void ReplayDriver::enterFrame(const CaptureHeader& header) {
    const std::int64_t at = frameTime(header);
    runPassesUntil(at);
    m_clock.set(localTimeOfMicroseconds(at));
}

// Each frame's events go out with the clock still at its time, so they are stamped with it.
void ReplayDriver::leaveFrame() {
    m_detector.announceEvents(m_batch);
    ++m_frames;
}

void ReplayDriver::onOtherFrame(const CaptureHeader& header) noexcept {
    runPassesUntil(frameTime(header));
}

void ReplayDriver::onBufferEnd() noexcept {
    m_detector.endBatch(m_batch);
}

void ReplayDriver::finish() {
    if (m_start) {
        runPassAt(m_nextPass);
        m_nextPass += MICROSECONDS;
    }
}

} // namespace qv
