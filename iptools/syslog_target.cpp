#include "iptools/syslog_target.h"

namespace qv {
namespace {

std::optional<std::uint16_t> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535 ? std::optional<std::uint16_t>(value) : std::nullopt;
}

} // namespace

std::optional<SyslogTarget> parseSyslogTarget(std::string_view text, std::string& error) {
    SyslogTarget target;
    const auto scheme = text.find("://");
    const std::string_view name = scheme == text.npos ? "" : text.substr(0, scheme);
    if (name == "tcp" || name == "udp") {
        target.transport =
            name == "tcp" ? SyslogTarget::Transport::Tcp : SyslogTarget::Transport::Udp;
    } else {
        error = "a syslog collector is tcp://HOST[:PORT] or udp://HOST[:PORT]";
        return std::nullopt;
    }
    std::string_view rest = text.substr(scheme + 3);
    std::string_view port;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == rest.npos || (close + 1 < rest.size() && rest[close + 1] != ':')) {
            error = "an IPv6 collector is written [ADDRESS] or [ADDRESS]:PORT";
            return std::nullopt;
        }
        target.host = std::string(rest.substr(1, close - 1));
        port = close + 1 < rest.size() ? rest.substr(close + 2) : std::string_view();
        if (close + 1 < rest.size() && port.empty()) {
            port = ":"; // a colon with nothing after it
        }
    } else {
        const auto colon = rest.find(':');
        target.host = std::string(rest.substr(0, colon));
        if (colon != rest.npos) {
            port = rest.substr(colon + 1);
            if (port.empty()) {
                port = ":";
            }
        }
    }
    if (target.host.empty() || target.host.find_first_of("/@ ") != std::string::npos) {
        error = "the syslog collector has no host name";
        return std::nullopt;
    }
    if (!port.empty()) {
        const auto number = portNumber(port);
        if (!number) {
            error = "the syslog collector's port is a number from 1 to 65535";
            return std::nullopt;
        }
        target.port = *number;
    }
    return target;
}

} // namespace qv
