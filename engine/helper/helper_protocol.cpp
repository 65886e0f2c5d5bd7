#include "engine/helper/helper_protocol.h"

#include <algorithm>

#include "common/byte_order.h"

namespace qv {

std::array<std::uint8_t, HELPER_HEADER_SIZE> encodeHelperHeader(HelperMessageType type,
                                                                std::uint32_t length) {
    std::array<std::uint8_t, HELPER_HEADER_SIZE> out{};
    storeLe32(out.data(), static_cast<std::uint32_t>(type));
    storeLe32(out.data() + 4, length);
    return out;
}

std::array<std::uint8_t, HELPER_FRAMES_PREFIX_SIZE> encodeFramesPrefix(const FramesPrefix& prefix) {
    std::array<std::uint8_t, HELPER_FRAMES_PREFIX_SIZE> out{};
    storeLe64(out.data(), prefix.counters.received);
    storeLe64(out.data() + 8, prefix.counters.dropped);
    storeLe32(out.data() + 16, prefix.full ? 1 : 0);
    return out;
}

std::optional<HelperHeader>
decodeHelperHeader(std::span<const std::uint8_t, HELPER_HEADER_SIZE> in) {
    const std::uint32_t type = loadLe32(in.data());
    const std::uint32_t length = loadLe32(in.data() + 4);
    switch (static_cast<HelperMessageType>(type)) {
    case HelperMessageType::Opened:
        if (length == 0) {
            return HelperHeader{HelperMessageType::Opened, length};
        }
        break;
    case HelperMessageType::Failed:
        if (length <= HELPER_MAX_TEXT) {
            return HelperHeader{HelperMessageType::Failed, length};
        }
        break;
    case HelperMessageType::Frames:
        if (length >= HELPER_FRAMES_PREFIX_SIZE && length <= HELPER_MAX_PAYLOAD) {
            return HelperHeader{HelperMessageType::Frames, length};
        }
        break;
    }
    return std::nullopt;
}

FramesPrefix decodeFramesPrefix(std::span<const std::uint8_t, HELPER_FRAMES_PREFIX_SIZE> in) {
    return {{loadLe64(in.data()), loadLe64(in.data() + 8)}, loadLe32(in.data() + 16) != 0};
}

std::vector<std::uint8_t> encodeTextMessage(HelperMessageType type, const std::string& text) {
    const std::size_t length = std::min(text.size(), HELPER_MAX_TEXT);
    const auto header = encodeHelperHeader(type, static_cast<std::uint32_t>(length));
    std::vector<std::uint8_t> out(HELPER_HEADER_SIZE + length);
    std::copy(header.begin(), header.end(), out.begin());
    std::copy_n(text.begin(), length, out.begin() + HELPER_HEADER_SIZE);
    return out;
}

} // namespace qv
