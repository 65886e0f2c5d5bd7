#include "tests/support/ndp_frames.h"

#include <algorithm>

#include "common/byte_order.h"

namespace qv::test {
namespace {

std::size_t fixedLength(NdpType type) {
    switch (type) {
    case NdpType::RouterSolicitation:
        return 8;
    case NdpType::RouterAdvertisement:
        return 16;
    default:
        return 24;
    }
}

IPv6Address withLast(IPv6Address ip, std::uint16_t n) {
    ip[14] = static_cast<std::uint8_t>(n >> 8);
    ip[15] = static_cast<std::uint8_t>(n);
    return ip;
}

} // namespace

std::vector<std::uint8_t> ndpFrame(const NdpFrameFields& fields) {
    const std::size_t fixed = fixedLength(fields.type);
    std::vector<std::uint8_t> icmp(fixed + fields.options.size(), 0);
    icmp[0] = static_cast<std::uint8_t>(fields.type);
    icmp[1] = fields.code;
    if (fields.type == NdpType::NeighbourAdvertisement) {
        icmp[4] = fields.flags;
    }
    if (fixed == 24) {
        std::copy(fields.target.begin(), fields.target.end(), icmp.begin() + 8);
    }
    std::copy(fields.options.begin(), fields.options.end(),
              icmp.begin() + static_cast<long>(fixed));
    storeBe16(icmp.data() + 2,
              fields.checksum.value_or(icmpv6Checksum(fields.source, fields.destination, icmp)));

    std::vector<std::uint8_t> frame(std::max(ndp_offset::ICMP + icmp.size(), fields.padTo), 0);
    std::copy(fields.ethernetDestination.begin(), fields.ethernetDestination.end(), frame.begin());
    std::copy(fields.ethernetSource.begin(), fields.ethernetSource.end(), frame.begin() + 6);
    storeBe16(frame.data() + ndp_offset::ETHER_TYPE, fields.etherType);
    frame[ndp_offset::IP_VERSION] = 0x60;
    storeBe16(frame.data() + ndp_offset::PAYLOAD_LENGTH,
              fields.payloadLength.value_or(static_cast<std::uint16_t>(icmp.size())));
    frame[ndp_offset::NEXT_HEADER] = fields.nextHeader;
    frame[ndp_offset::HOP_LIMIT] = fields.hopLimit;
    std::copy(fields.source.begin(), fields.source.end(), frame.begin() + ndp_offset::SOURCE);
    std::copy(fields.destination.begin(), fields.destination.end(),
              frame.begin() + ndp_offset::DESTINATION);
    std::copy(icmp.begin(), icmp.end(), frame.begin() + ndp_offset::ICMP);
    return frame;
}

std::vector<std::uint8_t> linkLayerOption(std::uint8_t type, const MacAddress& mac) {
    std::vector<std::uint8_t> option(8, 0);
    option[0] = type;
    option[1] = 1;
    std::copy(mac.begin(), mac.end(), option.begin() + 2);
    return option;
}

IPv6Address linkLocal(std::uint16_t n) {
    return withLast({0xFE, 0x80}, n);
}

IPv6Address global(std::uint16_t n) {
    return withLast({0x20, 0x01, 0x0D, 0xB8}, n);
}

IPv6Address solicitedNode(std::uint16_t n) {
    return withLast({0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF}, n);
}

} // namespace qv::test
