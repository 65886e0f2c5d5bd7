#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

inline constexpr std::uint16_t SYSLOG_PORT = 514;

// Where events go: a syslog collector over TCP (octet-counted framing) or UDP.
struct SyslogTarget {
    enum class Transport { Tcp, Udp };
    Transport transport = Transport::Tcp;
    std::string host;
    std::uint16_t port = SYSLOG_PORT;

    bool operator==(const SyslogTarget&) const = default;
};

// "tcp://HOST[:PORT]" or "udp://HOST[:PORT]"; an IPv6 address goes in brackets. Nothing, with
// `error` set, for anything else.
std::optional<SyslogTarget> parseSyslogTarget(std::string_view text, std::string& error);

} // namespace qv
