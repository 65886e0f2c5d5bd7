#include "engine/arp_frame.h"

#include <algorithm>
#include <iterator>

namespace qv {

bool isArpFrame(std::span<const std::uint8_t> frame) noexcept {
    static constexpr std::uint8_t ARP_FOR_IPV4[] = {0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 6, 4};
    if (frame.size() < arp_offset::ETHER_TYPE + sizeof ARP_FOR_IPV4) {
        return false;
    }
    return std::equal(std::begin(ARP_FOR_IPV4), std::end(ARP_FOR_IPV4),
                      frame.begin() + arp_offset::ETHER_TYPE);
}

} // namespace qv
