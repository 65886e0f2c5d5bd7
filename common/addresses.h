#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace qv {

// Addresses are raw bytes in network order exactly as in the frame; they become text only for
// display, events and files.
using IPv4Address = std::array<std::uint8_t, 4>;
using MacAddress = std::array<std::uint8_t, 6>;
using IPv6Address = std::array<std::uint8_t, 16>;
// The address of an event or a row, of either family.
using IPAddress = std::variant<IPv4Address, IPv6Address>;

inline constexpr IPv4Address ZERO_IP{};
inline constexpr IPv6Address UNSPECIFIED_IPV6{};
inline constexpr MacAddress ZERO_MAC{};
inline constexpr MacAddress BROADCAST_MAC{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// "%d.%d.%d.%d"
std::string IPToText(const IPv4Address& ip);
// "%2.2X-%2.2X-%2.2X-%2.2X-%2.2X-%2.2X"
std::string MACToText(const MacAddress& mac);
// The same texts appended to `out`, without the C library's formatting machinery: they are on the
// path of every captured frame.
void appendIPText(std::string& out, const IPv4Address& ip);
void appendMACText(std::string& out, const MacAddress& mac);
// RFC 5952's text: lower-case groups without leading zeros, the longest run of two or more zero
// groups (the first of equals) as "::", and an IPv4-mapped address as "::ffff:192.0.2.1".
std::string IPv6ToText(const IPv6Address& ip);
void appendIPv6Text(std::string& out, const IPv6Address& ip);
// An IPv6 address in any of its texts (RFC 4291's forms), or nothing.
std::optional<IPv6Address> IPv6FromText(const std::string& text);
// The text of its family: dotted for IPv4, RFC 5952's for IPv6.
inline std::string addressText(const IPv4Address& ip) {
    return IPToText(ip);
}
inline std::string addressText(const IPv6Address& ip) {
    return IPv6ToText(ip);
}
std::string addressText(const IPAddress& ip);
// 1 gives "request", 2 "response", anything else an empty text.
std::string ARPOperationText(std::uint16_t operation);

IPv4Address ipFromBytes(const std::uint8_t* p) noexcept;
MacAddress macFromBytes(const std::uint8_t* p) noexcept;
IPv6Address ipv6FromBytes(const std::uint8_t* p) noexcept;

} // namespace qv
