#include "app/watch/replay.h"

#include <algorithm>
#include <vector>

#include "engine/pcap/capture_file.h"
#include "engine/replay_driver.h"

namespace qv {
namespace {

// Packs frames behind capture headers into read-sized buffers and walks each full buffer, as a
// live read would be walked.
class BufferedWalk {
public:
    explicit BufferedWalk(ReplayDriver& driver) : m_driver(driver), m_buffer(CAPTURE_BUFFER_SIZE) {}

    void add(const CaptureHeader& header, std::span<const std::uint8_t> bytes) {
        // A frame longer than a whole buffer keeps what fits, as a driver's snap length would.
        bytes = bytes.first(std::min(bytes.size(), m_buffer.size() - CAPTURE_HEADER_LENGTH));
        if (!appendCapturedFrame(m_buffer, m_used, header, bytes)) {
            flush();
            appendCapturedFrame(m_buffer, m_used, header, bytes);
        }
    }
    void flush() {
        walkCaptureBuffer(std::span(m_buffer).first(m_used), m_driver);
        m_used = 0;
    }

private:
    ReplayDriver& m_driver;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_used = 0;
};

} // namespace

int replayCapture(const std::string& path, Monitor& monitor, ManualClock& clock,
                  std::FILE* errors) {
    std::string error;
    const auto file = CaptureFile::open(path, error);
    if (!file) {
        std::fprintf(errors, "quorvane-watch: cannot read %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    if (file->linkType() != LINK_TYPE_ETHERNET) {
        std::fprintf(errors, "quorvane-watch: cannot replay %s: its link type %s is not Ethernet\n",
                     path.c_str(), file->linkTypeName().c_str());
        return 1;
    }
    ReplayDriver driver(monitor.detector(), monitor.scans(), clock);
    BufferedWalk walk(driver);
    CaptureHeader header{};
    std::span<const std::uint8_t> bytes;
    CaptureFile::Status status;
    while ((status = file->next(header, bytes)) == CaptureFile::Status::Frame) {
        driver.startAt(header.seconds, header.microseconds);
        walk.add(header, bytes);
    }
    walk.flush();
    driver.finish();
    if (status == CaptureFile::Status::Error) {
        std::fprintf(errors, "quorvane-watch: %s is damaged or cut short: %s\n", path.c_str(),
                     file->error().c_str());
        return 1;
    }
    return 0;
}

} // namespace qv
