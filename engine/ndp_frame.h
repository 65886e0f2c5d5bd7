#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/addresses.h"

namespace qv {

// An Ethernet header, an IPv6 header without extension headers and an ICMPv6 neighbour discovery
// message, as they stand in a frame (multi-byte values big-endian).
namespace ndp_offset {
inline constexpr std::size_t ETHERNET_SOURCE = 6;
inline constexpr std::size_t ETHER_TYPE = 12;
inline constexpr std::size_t IP_VERSION = 14; // the high four bits
inline constexpr std::size_t PAYLOAD_LENGTH = 18;
inline constexpr std::size_t NEXT_HEADER = 20;
inline constexpr std::size_t HOP_LIMIT = 21;
inline constexpr std::size_t SOURCE = 22;
inline constexpr std::size_t DESTINATION = 38;
inline constexpr std::size_t ICMP = 54;
inline constexpr std::size_t ICMP_TYPE = 54;
inline constexpr std::size_t ICMP_CODE = 55;
inline constexpr std::size_t ICMP_CHECKSUM = 56;
inline constexpr std::size_t ADVERTISEMENT_FLAGS = 58; // router, solicited, override
inline constexpr std::size_t TARGET = 62;              // solicitations and advertisements
} // namespace ndp_offset

inline constexpr std::uint16_t ETHER_TYPE_IPV6 = 0x86DD;
inline constexpr std::uint8_t NEXT_HEADER_ICMPV6 = 58;
inline constexpr std::uint8_t NDP_HOP_LIMIT = 255;

enum class NdpType : std::uint8_t {
    RouterSolicitation = 133,
    RouterAdvertisement = 134,
    NeighbourSolicitation = 135,
    NeighbourAdvertisement = 136,
};

// The fields of an accepted message that the watch binds, logs and checks.
struct NdpMessage {
    NdpType type = NdpType::NeighbourSolicitation;
    MacAddress ethernetSource{};
    IPv6Address source{};
    IPv6Address destination{};
    IPv6Address target{}; // solicitations and advertisements; zero for the router messages
    std::optional<MacAddress> sourceLinkLayer;
    std::optional<MacAddress> targetLinkLayer;
    bool solicited = false; // an advertisement's S flag
};

// The message of a frame that is Ethernet II (no VLAN tag) carrying IPv6 with ICMPv6 as its next
// header and a neighbour discovery message that passes the receiver's checks of RFC 4861
// (sections 6.1.1, 6.1.2, 7.1.1 and 7.1.2): hop limit 255, code 0, a valid checksum, the length
// its type needs within the frame, every option of a non-zero length that fits, a target that is
// not multicast, a solicitation from the unspecified address only to a solicited-node group and
// without a source link-layer option, an advertisement to a group only unsolicited, a router
// advertisement only from a link-local address. Anything else gives nothing.
std::optional<NdpMessage> decodeNdpFrame(std::span<const std::uint8_t> frame) noexcept;

// The ICMPv6 checksum of `message` over the IPv6 pseudo-header of `source` and `destination`:
// zero when the message's own checksum field is right.
std::uint16_t icmpv6Checksum(const IPv6Address& source, const IPv6Address& destination,
                             std::span<const std::uint8_t> message) noexcept;

} // namespace qv
