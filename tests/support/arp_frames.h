#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/addresses.h"

namespace qv::test {

using Frame42 = std::array<std::uint8_t, 42>;

// A 42-byte Ethernet/ARP/IPv4 frame; the Ethernet source is the sender MAC unless given.
Frame42 arpFrame(std::uint16_t operation, const MacAddress& senderMac, const IPv4Address& senderIp,
                 const MacAddress& targetMac, const IPv4Address& targetIp,
                 const MacAddress* ethernetSource = nullptr);

// Frame n of a flood of random addresses: a request from a station whose address (10.x.y.z) and
// MAC are n scattered over 24 bits (an odd multiplier is a bijection), so every frame of up to
// 16,777,216 is a binding never seen before, in no order a table could take advantage of.
Frame42 floodFrame(std::uint64_t n);

// A frame from its hex text; blanks are ignored.
std::vector<std::uint8_t> fromHex(const std::string& hex);

} // namespace qv::test
