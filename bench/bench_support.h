#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/addresses.h"

namespace qv::bench {

// Station n of a network of many: 10.x.y.z with a locally administered MAC.
IPv4Address stationIp(std::uint32_t n);
MacAddress stationMac(std::uint32_t n);

std::array<std::uint8_t, 42> arpRequest(const MacAddress& mac, const IPv4Address& ip,
                                        const IPv4Address& target);

} // namespace qv::bench
