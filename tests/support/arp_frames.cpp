#include "tests/support/arp_frames.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace qv::test {

Frame42 arpFrame(std::uint16_t operation, const MacAddress& senderMac, const IPv4Address& senderIp,
                 const MacAddress& targetMac, const IPv4Address& targetIp,
                 const MacAddress* ethernetSource) {
    Frame42 f{};
    std::fill_n(f.begin(), 6, 0xFF);
    const MacAddress& source = ethernetSource != nullptr ? *ethernetSource : senderMac;
    std::copy(source.begin(), source.end(), f.begin() + 6);
    const std::uint8_t header[] = {0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 6, 4};
    std::copy(std::begin(header), std::end(header), f.begin() + 12);
    f[20] = static_cast<std::uint8_t>(operation >> 8);
    f[21] = static_cast<std::uint8_t>(operation);
    std::copy(senderMac.begin(), senderMac.end(), f.begin() + 22);
    std::copy(senderIp.begin(), senderIp.end(), f.begin() + 28);
    std::copy(targetMac.begin(), targetMac.end(), f.begin() + 32);
    std::copy(targetIp.begin(), targetIp.end(), f.begin() + 38);
    return f;
}

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : hex) {
        if (c != ' ' && c != '\n') {
            digits += c;
        }
    }
    if (digits.size() % 2 != 0) {
        throw std::invalid_argument("odd number of hex digits");
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

Frame42 floodFrame(std::uint64_t n) {
    const auto x = static_cast<std::uint32_t>((n * 0x9E3779B1u) & 0xFFFFFFu);
    const auto a = static_cast<std::uint8_t>(x >> 16);
    const auto b = static_cast<std::uint8_t>(x >> 8);
    const auto c = static_cast<std::uint8_t>(x);
    return arpFrame(1, {2, 1, 0, a, b, c}, {10, a, b, c}, {}, {10, 255, 255, 254});
}

} // namespace qv::test
