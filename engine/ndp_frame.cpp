#include "engine/ndp_frame.h"

#include <algorithm>
#include <iterator>

#include "common/byte_order.h"

namespace qv {
namespace {

constexpr std::uint8_t OPTION_SOURCE_LINK_LAYER = 1;
constexpr std::uint8_t OPTION_TARGET_LINK_LAYER = 2;
constexpr std::uint8_t SOLICITED_FLAG = 0x40;

// The fixed part of each message, from its ICMPv6 type on: where its options begin.
std::optional<std::size_t> fixedLength(std::uint8_t type) {
    switch (static_cast<NdpType>(type)) {
    case NdpType::RouterSolicitation:
        return 8;
    case NdpType::RouterAdvertisement:
        return 16;
    case NdpType::NeighbourSolicitation:
    case NdpType::NeighbourAdvertisement:
        return 24;
    }
    return std::nullopt;
}

bool isMulticast(const IPv6Address& ip) {
    return ip[0] == 0xFF;
}

bool isLinkLocal(const IPv6Address& ip) {
    return ip[0] == 0xFE && (ip[1] & 0xC0) == 0x80;
}

// ff02::1:ffXX:XXXX
bool isSolicitedNodeGroup(const IPv6Address& ip) {
    static constexpr std::uint8_t PREFIX[] = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF};
    return std::equal(std::begin(PREFIX), std::end(PREFIX), ip.begin());
}

// Walks the options; false when one has length zero or runs past the message. The first source
// and target link-layer options are kept.
bool readOptions(std::span<const std::uint8_t> options, NdpMessage& message) {
    while (!options.empty()) {
        if (options.size() < 2 || options[1] == 0 ||
            static_cast<std::size_t>(options[1]) * 8 > options.size()) {
            return false;
        }
        const std::size_t length = static_cast<std::size_t>(options[1]) * 8;
        if (options[0] == OPTION_SOURCE_LINK_LAYER && !message.sourceLinkLayer) {
            message.sourceLinkLayer = macFromBytes(options.data() + 2);
        } else if (options[0] == OPTION_TARGET_LINK_LAYER && !message.targetLinkLayer) {
            message.targetLinkLayer = macFromBytes(options.data() + 2);
        }
        options = options.subspan(length);
    }
    return true;
}

// The checks of RFC 4861 that depend on the type, once the message is read.
bool passesTypeChecks(const NdpMessage& m) {
    switch (m.type) {
    case NdpType::RouterSolicitation:
        return !(m.source == UNSPECIFIED_IPV6 && m.sourceLinkLayer);
    case NdpType::RouterAdvertisement:
        return isLinkLocal(m.source);
    case NdpType::NeighbourSolicitation:
        return !isMulticast(m.target) &&
               !(m.source == UNSPECIFIED_IPV6 &&
                 (!isSolicitedNodeGroup(m.destination) || m.sourceLinkLayer));
    case NdpType::NeighbourAdvertisement:
        return !isMulticast(m.target) && !(isMulticast(m.destination) && m.solicited);
    }
    return false;
}

} // namespace

std::uint16_t icmpv6Checksum(const IPv6Address& source, const IPv6Address& destination,
                             std::span<const std::uint8_t> message) noexcept {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < 16; i += 2) {
        sum += loadBe16(source.data() + i) + loadBe16(destination.data() + i);
    }
    sum += message.size() >> 16;
    sum += message.size() & 0xFFFF;
    sum += NEXT_HEADER_ICMPV6;
    for (std::size_t i = 0; i + 1 < message.size(); i += 2) {
        sum += loadBe16(message.data() + i);
    }
    if (message.size() % 2 != 0) {
        sum += static_cast<std::uint64_t>(message.back()) << 8;
    }
    while (sum >> 16 != 0) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::optional<NdpMessage> decodeNdpFrame(std::span<const std::uint8_t> frame) noexcept {
    namespace at = ndp_offset;
    if (frame.size() < at::ICMP + 8 || loadBe16(frame.data() + at::ETHER_TYPE) != ETHER_TYPE_IPV6 ||
        frame[at::IP_VERSION] >> 4 != 6 || frame[at::NEXT_HEADER] != NEXT_HEADER_ICMPV6 ||
        frame[at::HOP_LIMIT] != NDP_HOP_LIMIT || frame[at::ICMP_CODE] != 0) {
        return std::nullopt;
    }
    const auto fixed = fixedLength(frame[at::ICMP_TYPE]);
    const std::size_t length = loadBe16(frame.data() + at::PAYLOAD_LENGTH);
    // Bytes past the payload are the Ethernet padding of a short frame.
    if (!fixed || length < *fixed || length > frame.size() - at::ICMP) {
        return std::nullopt;
    }
    const auto icmp = frame.subspan(at::ICMP, length);
    NdpMessage m;
    m.type = static_cast<NdpType>(frame[at::ICMP_TYPE]);
    m.ethernetSource = macFromBytes(frame.data() + at::ETHERNET_SOURCE);
    m.source = ipv6FromBytes(frame.data() + at::SOURCE);
    m.destination = ipv6FromBytes(frame.data() + at::DESTINATION);
    if (icmpv6Checksum(m.source, m.destination, icmp) != 0) {
        return std::nullopt;
    }
    if (*fixed == 24) {
        m.target = ipv6FromBytes(frame.data() + at::TARGET);
    }
    m.solicited = m.type == NdpType::NeighbourAdvertisement &&
                  (frame[at::ADVERTISEMENT_FLAGS] & SOLICITED_FLAG) != 0;
    if (!readOptions(icmp.subspan(*fixed), m) || !passesTypeChecks(m)) {
        return std::nullopt;
    }
    return m;
}

} // namespace qv
