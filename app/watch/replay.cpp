#include "app/watch/replay.h"

#include <algorithm>
#include <vector>

#include "engine/pcap/capture_file.h"
#include "engine/replay_driver.h"

namespace qv {
namespace {

constexpr std::uint64_t CHECKPOINT_EVERY = 4096; // frames between looks at the clock

// Packs frames behind capture headers into read-sized buffers and walks each full buffer, as a
// live read would be walked, handing the driver the frames' whole times alongside.
class BufferedWalk {
public:
    explicit BufferedWalk(ReplayDriver& driver) : m_driver(driver), m_buffer(CAPTURE_BUFFER_SIZE) {}

    void add(const CaptureHeader& header, std::span<const std::uint8_t> bytes,
             std::int64_t microseconds) {
        // A frame longer than a whole buffer keeps what fits, as a driver's snap length would.
        bytes = bytes.first(std::min(bytes.size(), m_buffer.size() - CAPTURE_HEADER_LENGTH));
        if (!appendCapturedFrame(m_buffer, m_used, header, bytes)) {
            flush();
            appendCapturedFrame(m_buffer, m_used, header, bytes);
        }
        m_times.push_back(microseconds);
    }
    void flush() {
        m_driver.setFrameTimes(std::move(m_times));
        m_times.clear();
        walkCaptureBuffer(std::span(m_buffer).first(m_used), m_driver);
        m_used = 0;
    }

private:
    ReplayDriver& m_driver;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_used = 0;
    std::vector<std::int64_t> m_times;
};

} // namespace

std::unique_ptr<CaptureFile> openCapture(const std::string& path, std::FILE* errors) {
    std::string error;
    auto file = CaptureFile::open(path, error);
    if (!file) {
        std::fprintf(errors, "quorvane-watch: cannot read %s: %s\n", path.c_str(), error.c_str());
        return nullptr;
    }
    if (file->linkType() != LINK_TYPE_ETHERNET) {
        std::fprintf(errors, "quorvane-watch: cannot replay %s: its link type %s is not Ethernet\n",
                     path.c_str(), file->linkTypeName().c_str());
        return nullptr;
    }
    return file;
}

RunResult replayCapture(CaptureFile& file, const std::string& path, Monitor& monitor,
                        ManualClock& clock, std::FILE* errors) {
    ReplayDriver driver(monitor.detector(), monitor.scans(), clock);
    BufferedWalk walk(driver);
    CaptureHeader header{};
    std::span<const std::uint8_t> bytes;
    std::int64_t microseconds = 0;
    std::uint64_t frames = 0;
    CaptureFile::Status status;
    while ((status = file.next(header, bytes, microseconds)) == CaptureFile::Status::Frame) {
        walk.add(header, bytes, microseconds);
        if (++frames % CHECKPOINT_EVERY == 0) {
            if (const auto saved = monitor.checkpoint(std::chrono::steady_clock::now())) {
                reportNote(saved->note, errors);
            }
        }
    }
    walk.flush();
    driver.finish();
    if (status == CaptureFile::Status::Error) {
        std::fprintf(errors, "quorvane-watch: %s is damaged or cut short: %s\n", path.c_str(),
                     file.error().c_str());
        return {1, true};
    }
    return {0, true};
}

} // namespace qv
