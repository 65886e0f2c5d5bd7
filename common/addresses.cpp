#include "common/addresses.h"

#include <cstdio>
#include <cstring>

namespace qv {

std::string IPToText(const IPv4Address& ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    return text;
}

std::string MACToText(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%2.2X-%2.2X-%2.2X-%2.2X-%2.2X-%2.2X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string ARPOperationText(std::uint16_t operation) {
    switch (operation) {
    case 1:
        return "request";
    case 2:
        return "response";
    default:
        return {};
    }
}

IPv4Address ipFromBytes(const std::uint8_t* p) noexcept {
    IPv4Address ip;
    std::memcpy(ip.data(), p, ip.size());
    return ip;
}

MacAddress macFromBytes(const std::uint8_t* p) noexcept {
    MacAddress mac;
    std::memcpy(mac.data(), p, mac.size());
    return mac;
}

} // namespace qv
