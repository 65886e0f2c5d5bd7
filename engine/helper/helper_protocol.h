#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/capture_walk.h"
#include "engine/packet_driver.h"

namespace qv {

// What the capture helper tells its parent on its standard output: a stream of messages, each a
// header of type (4 bytes) and payload length (4 bytes), little-endian, then the payload.
//   Opened: the adapter is open and the helper holds no capability any more; no payload.
//   Failed: the adapter could not be opened; the payload is the reason, as text.
//   Frames: received (8) and dropped (8) counts, the full flag (4: 1 when the read filled the
//           buffer), then the frames behind their capture headers exactly as a read buffer holds
//           them, at most one buffer's worth.
enum class HelperMessageType : std::uint32_t { Opened = 1, Failed = 2, Frames = 3 };

inline constexpr std::size_t HELPER_HEADER_SIZE = 8;
inline constexpr std::size_t HELPER_FRAMES_PREFIX_SIZE = 20;
inline constexpr std::size_t HELPER_MAX_TEXT = 4096;
inline constexpr std::size_t HELPER_MAX_PAYLOAD = HELPER_FRAMES_PREFIX_SIZE + CAPTURE_BUFFER_SIZE;

struct HelperHeader {
    HelperMessageType type;
    std::uint32_t length;
};

struct FramesPrefix {
    CaptureCounters counters;
    bool full = false;
};

std::array<std::uint8_t, HELPER_HEADER_SIZE> encodeHelperHeader(HelperMessageType type,
                                                                std::uint32_t length);
std::array<std::uint8_t, HELPER_FRAMES_PREFIX_SIZE> encodeFramesPrefix(const FramesPrefix& prefix);

// The header, or nothing when the type is unknown or the length is out of bounds for the type:
// the parent never reads more than one buffer's worth on a helper's word.
std::optional<HelperHeader>
decodeHelperHeader(std::span<const std::uint8_t, HELPER_HEADER_SIZE> in);
FramesPrefix decodeFramesPrefix(std::span<const std::uint8_t, HELPER_FRAMES_PREFIX_SIZE> in);

// A whole message with a text payload (cut to HELPER_MAX_TEXT bytes).
std::vector<std::uint8_t> encodeTextMessage(HelperMessageType type, const std::string& text);

} // namespace qv
