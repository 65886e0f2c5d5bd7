#include "bench/bench_support.h"

#include <algorithm>

namespace qv::bench {

IPv4Address stationIp(std::uint32_t n) {
    return {10, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}

MacAddress stationMac(std::uint32_t n) {
    return {0x02,
            0x00,
            static_cast<std::uint8_t>(n >> 24),
            static_cast<std::uint8_t>(n >> 16),
            static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}

std::array<std::uint8_t, 42> arpRequest(const MacAddress& mac, const IPv4Address& ip,
                                        const IPv4Address& target) {
    std::array<std::uint8_t, 42> f{};
    std::fill_n(f.begin(), 6, 0xFF);
    std::copy(mac.begin(), mac.end(), f.begin() + 6);
    const std::uint8_t header[] = {0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 6, 4, 0x00, 0x01};
    std::copy(std::begin(header), std::end(header), f.begin() + 12);
    std::copy(mac.begin(), mac.end(), f.begin() + 22);
    std::copy(ip.begin(), ip.end(), f.begin() + 28);
    std::copy(target.begin(), target.end(), f.begin() + 38);
    return f;
}

} // namespace qv::bench
