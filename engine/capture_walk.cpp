#include "engine/capture_walk.h"

#include <algorithm>

#include "common/byte_order.h"
#include "engine/arp_frame.h"

namespace qv {

bool appendCapturedFrame(std::span<std::uint8_t> buffer, std::size_t& used,
                         const CaptureHeader& header,
                         std::span<const std::uint8_t> frame) noexcept {
    const std::size_t frameStart = used + CAPTURE_HEADER_LENGTH;
    if (used > buffer.size() || frame.size() > buffer.size() - frameStart ||
        frameStart > buffer.size()) {
        return false;
    }
    std::uint8_t* h = buffer.data() + used;
    storeLe32(h, header.seconds);
    storeLe32(h + 4, header.microseconds);
    storeLe32(h + 8, static_cast<std::uint32_t>(frame.size()));
    storeLe32(h + 12, header.wireLength);
    storeLe16(h + 16, static_cast<std::uint16_t>(CAPTURE_HEADER_LENGTH));
    storeLe16(h + 18, 0);
    std::copy(frame.begin(), frame.end(), buffer.begin() + static_cast<std::ptrdiff_t>(frameStart));
    used = std::min(nextHeaderPosition(frameStart, static_cast<std::uint32_t>(frame.size())),
                    buffer.size());
    return true;
}

namespace {

// The frame of `header` at `p`: its captured bytes, as far as the buffer holds them.
void handFrame(std::span<const std::uint8_t> received, std::size_t p, const CaptureHeader& header,
               CapturedFrameSink& sink) {
    if (p > received.size()) {
        sink.onOtherFrame(header);
        return;
    }
    const auto captured =
        received.subspan(p, std::min<std::size_t>(header.capturedLength, received.size() - p));
    if (captured.size() >= ARP_FRAME_SIZE && header.wireLength >= ARP_FRAME_SIZE) {
        const ArpFrameBytes frame = captured.first<ARP_FRAME_SIZE>();
        if (isArpFrame(frame)) {
            sink.onArpFrame(header, frame);
            return;
        }
    }
    // A message cut short by the capture fails the decoder's length checks.
    if (const auto message = decodeNdpFrame(captured)) {
        sink.onNdpFrame(header, *message);
        return;
    }
    sink.onOtherFrame(header);
}

void walkFrames(std::span<const std::uint8_t> received, CapturedFrameSink& sink) noexcept {
    std::size_t p = 0;
    while (p < received.size()) {
        if (received.size() - p < CAPTURE_HEADER_FIELDS) {
            return;
        }
        const std::uint8_t* h = received.data() + p;
        const CaptureHeader header{loadLe32(h), loadLe32(h + 4), loadLe32(h + 8), loadLe32(h + 12),
                                   loadLe16(h + 16)};
        if (header.headerLength == 0) {
            return;
        }
        p += header.headerLength;
        handFrame(received, p, header, sink);
        p = nextHeaderPosition(p, header.capturedLength);
    }
}

} // namespace

void walkCaptureBuffer(std::span<const std::uint8_t> received, CapturedFrameSink& sink) noexcept {
    walkFrames(received, sink);
    sink.onBufferEnd();
}

} // namespace qv
