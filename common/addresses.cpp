#include "common/addresses.h"

#include <cstdio>
#include <cstring>

namespace qv {

void appendIPText(std::string& out, const IPv4Address& ip) {
    char text[15];
    std::size_t n = 0;
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if (i > 0) {
            text[n++] = '.';
        }
        const unsigned v = ip[i];
        if (v >= 100) {
            text[n++] = static_cast<char>('0' + v / 100);
        }
        if (v >= 10) {
            text[n++] = static_cast<char>('0' + v / 10 % 10);
        }
        text[n++] = static_cast<char>('0' + v % 10);
    }
    out.append(text, n);
}

void appendMACText(std::string& out, const MacAddress& mac) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    char text[17];
    for (std::size_t i = 0; i < mac.size(); ++i) {
        text[i * 3] = HEX[mac[i] >> 4];
        text[i * 3 + 1] = HEX[mac[i] & 0x0F];
        if (i + 1 < mac.size()) {
            text[i * 3 + 2] = '-';
        }
    }
    out.append(text, sizeof text);
}

std::string IPToText(const IPv4Address& ip) {
    std::string text;
    appendIPText(text, ip);
    return text;
}

std::string MACToText(const MacAddress& mac) {
    std::string text;
    appendMACText(text, mac);
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
