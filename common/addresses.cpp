#include "common/addresses.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <utility>

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

namespace {

// The first longest run of at least two zero groups, as [begin, end); empty when there is none.
std::pair<int, int> longestZeroRun(const std::array<unsigned, 8>& groups) {
    std::pair<int, int> best{0, 0};
    for (int i = 0; i < 8;) {
        int end = i;
        while (end < 8 && groups[static_cast<std::size_t>(end)] == 0) {
            ++end;
        }
        if (end - i >= 2 && end - i > best.second - best.first) {
            best = {i, end};
        }
        i = end > i ? end : i + 1;
    }
    return best;
}

} // namespace

// Into a buffer on the stack, without the C library's formatting: the text goes into NDP.csv for
// every neighbour discovery frame.
void appendIPv6Text(std::string& out, const IPv6Address& ip) {
    static constexpr std::uint8_t MAPPED[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(ip.data(), MAPPED, sizeof MAPPED) == 0) {
        out += "::ffff:";
        appendIPText(out, ipFromBytes(ip.data() + sizeof MAPPED));
        return;
    }
    static constexpr char HEX[] = "0123456789abcdef";
    std::array<unsigned, 8> groups{};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        groups[i] = static_cast<unsigned>(ip[2 * i] << 8 | ip[2 * i + 1]);
    }
    const auto [skipFrom, skipTo] = longestZeroRun(groups);
    char text[40]; // eight groups of four digits and seven colons at most
    std::size_t n = 0;
    for (int i = 0; i < 8; ++i) {
        if (i == skipFrom && skipTo > skipFrom) {
            text[n++] = ':';
            text[n++] = ':';
            i = skipTo - 1;
            continue;
        }
        if (n > 0 && text[n - 1] != ':') {
            text[n++] = ':';
        }
        const unsigned group = groups[static_cast<std::size_t>(i)];
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned digit = group >> shift & 0xF;
            if (started || digit != 0 || shift == 0) {
                text[n++] = HEX[digit];
                started = true;
            }
        }
    }
    out.append(text, n);
}

std::string IPv6ToText(const IPv6Address& ip) {
    std::string text;
    appendIPv6Text(text, ip);
    return text;
}

std::optional<IPv6Address> IPv6FromText(const std::string& text) {
    IPv6Address ip{};
    if (::inet_pton(AF_INET6, text.c_str(), ip.data()) != 1) {
        return std::nullopt;
    }
    return ip;
}

std::string addressText(const IPAddress& ip) {
    return std::visit([](const auto& a) { return addressText(a); }, ip);
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

IPv6Address ipv6FromBytes(const std::uint8_t* p) noexcept {
    IPv6Address ip;
    std::memcpy(ip.data(), p, ip.size());
    return ip;
}

} // namespace qv
