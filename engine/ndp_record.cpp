#include "engine/ndp_record.h"

#include <algorithm>

namespace qv {

NdpBinding ndpBinding(const NdpMessage& m) noexcept {
    if (m.type == NdpType::NeighbourAdvertisement) {
        return {m.target, m.targetLinkLayer.value_or(m.ethernetSource)};
    }
    return {m.source, m.sourceLinkLayer.value_or(m.ethernetSource)};
}

const char* ndpOperationText(NdpType type) noexcept {
    switch (type) {
    case NdpType::RouterSolicitation:
        return "router solicitation";
    case NdpType::RouterAdvertisement:
        return "router advertisement";
    case NdpType::NeighbourSolicitation:
        return "solicitation";
    case NdpType::NeighbourAdvertisement:
        return "advertisement";
    }
    return "";
}

std::array<std::uint8_t, ARP_FRAME_SIZE> encodeNdpRecord(const NdpMessage& m) noexcept {
    std::array<std::uint8_t, ARP_FRAME_SIZE> out{};
    out[ndp_record::TYPE] = static_cast<std::uint8_t>(m.type);
    std::copy(m.source.begin(), m.source.end(), out.begin() + ndp_record::SOURCE);
    std::copy(m.target.begin(), m.target.end(), out.begin() + ndp_record::TARGET);
    const MacAddress mac = ndpBinding(m).mac;
    std::copy(mac.begin(), mac.end(), out.begin() + ndp_record::MAC);
    return out;
}

} // namespace qv
