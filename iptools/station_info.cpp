#include "iptools/station_info.h"

#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "iptools/manufacturer_table.h"

namespace qv {

std::array<std::string, 3> immediateFields(const InfoTarget& target) {
    return {target.addressText.empty() ? NOT_DETECTED : target.addressText,
            target.macText.empty() ? NOT_DETECTED : target.macText,
            LookupManufacturer(target.macText).value_or(NOT_DETECTED)};
}

namespace {

template <typename SocketAddress>
std::optional<std::string> nameOf(const SocketAddress& socket) {
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&socket), sizeof socket, host, sizeof host,
                      nullptr, 0, NI_NAMEREQD) != 0 ||
        host[0] == '\0') {
        return std::nullopt;
    }
    return std::string(host);
}

} // namespace

std::optional<std::string> reverseDnsName(const IPv4Address& address) {
    sockaddr_in socket{};
    socket.sin_family = AF_INET;
    std::memcpy(&socket.sin_addr, address.data(), address.size());
    return nameOf(socket);
}

std::optional<std::string> reverseDnsName(const IPv6Address& address) {
    sockaddr_in6 socket{};
    socket.sin6_family = AF_INET6;
    std::memcpy(&socket.sin6_addr, address.data(), address.size());
    return nameOf(socket);
}

std::array<std::string, 2> netbiosFields(const IPv4Address& address) {
    const auto entries = queryNodeStatus(address);
    const NetbiosNames names = entries ? netbiosNames(*entries) : NetbiosNames{};
    return {names.computer.value_or(NOT_DETECTED), names.group.value_or(NOT_DETECTED)};
}

} // namespace qv
