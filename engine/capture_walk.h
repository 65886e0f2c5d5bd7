#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/arp_frame.h"
#include "engine/ndp_frame.h"

namespace qv {

// The capture header that precedes each frame in a read buffer, little-endian: time stamp
// seconds (0) and microseconds (4), captured length (8), wire length (12), header length (16).
// The header length says where the frame starts; the buffers made here use 20, so that headers
// and frames start on 4-byte boundaries.
inline constexpr std::size_t CAPTURE_HEADER_FIELDS = 18;
inline constexpr std::size_t CAPTURE_HEADER_LENGTH = 20;
inline constexpr std::size_t CAPTURE_BUFFER_SIZE = 256'000;

struct CaptureHeader {
    std::uint32_t seconds;
    std::uint32_t microseconds;
    std::uint32_t capturedLength;
    std::uint32_t wireLength;
    std::uint16_t headerLength;
};

// Where the header after a frame starts: (frame start + captured length) rounded up to a
// multiple of 4, counted from the buffer's start.
inline std::size_t nextHeaderPosition(std::size_t frameStart, std::uint32_t capturedLength) {
    return (frameStart + capturedLength + 3) & ~static_cast<std::size_t>(3);
}

// Appends a header and the frame's captured bytes at `used`, moving `used` to the next header's
// place. False, with nothing written, when they do not fit.
bool appendCapturedFrame(std::span<std::uint8_t> buffer, std::size_t& used,
                         const CaptureHeader& header, std::span<const std::uint8_t> frame) noexcept;

class CapturedFrameSink {
public:
    virtual ~CapturedFrameSink() = default;
    // An accepted Ethernet/ARP/IPv4 frame: at least 42 bytes captured and on the wire, all 42 of
    // them inside the buffer.
    virtual void onArpFrame(const CaptureHeader& header, ArpFrameBytes frame) noexcept = 0;
    // An accepted neighbour discovery message (decodeNdpFrame over the captured bytes).
    virtual void onNdpFrame(const CaptureHeader& header, const NdpMessage&) noexcept {
        onOtherFrame(header);
    }
    // A frame the walk passed over: neither ARP for IPv4 nor neighbour discovery, or too short.
    virtual void onOtherFrame(const CaptureHeader&) noexcept {}
    // The walk of one buffer has ended, however it ended.
    virtual void onBufferEnd() noexcept {}
};

// Walks the capture headers of the first `received` bytes of a read buffer, handing every
// accepted frame to `sink`, then tells the sink the buffer has ended. Nothing is read past
// `received`: a header that does not fit, or a header length that would not move the position
// forward, ends the walk of the buffer.
void walkCaptureBuffer(std::span<const std::uint8_t> received, CapturedFrameSink& sink) noexcept;

} // namespace qv
