#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/addresses.h"
#include "engine/ndp_frame.h"

namespace qv::test {

// A neighbour discovery frame as a station sends it, every field open to being spoiled.
struct NdpFrameFields {
    NdpType type = NdpType::NeighbourSolicitation;
    MacAddress ethernetDestination{0x33, 0x33, 0xFF, 0, 0, 2};
    MacAddress ethernetSource{2, 0, 0, 0, 0, 1};
    IPv6Address source{};
    IPv6Address destination{};
    IPv6Address target{};   // solicitations and advertisements
    std::uint8_t flags = 0; // an advertisement's R, S and O bits
    std::vector<std::uint8_t> options;
    std::uint8_t hopLimit = 255;
    std::uint8_t code = 0;
    std::uint16_t etherType = ETHER_TYPE_IPV6;
    std::uint8_t nextHeader = NEXT_HEADER_ICMPV6;
    std::optional<std::uint16_t> payloadLength; // else the message's own
    std::optional<std::uint16_t> checksum;      // else the right one
    std::size_t padTo = 0;                      // Ethernet padding up to this size
};

std::vector<std::uint8_t> ndpFrame(const NdpFrameFields& fields);
// A link-layer address option: 1 for the source's, 2 for the target's.
std::vector<std::uint8_t> linkLayerOption(std::uint8_t type, const MacAddress& mac);
// fe80::<n>, 2001:db8::<n> and ff02::1:ff00:<n> (the solicited-node group of the others).
IPv6Address linkLocal(std::uint16_t n);
IPv6Address global(std::uint16_t n);
IPv6Address solicitedNode(std::uint16_t n);

} // namespace qv::test
