#include "iptools/mailslot_client.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "iptools/messenger_datagram.h"
#include "iptools/netbios_datagram.h"
#include "iptools/netbios_name_service.h"
#include "iptools/udp_socket.h"

namespace qv {
namespace {

// The datagram service's own port when it is free (and we may take it), any port otherwise.
void bindSourcePort(int fd) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = socketAddress(ZERO_IP, NETBIOS_DATAGRAM_PORT);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        local.sin_port = 0;
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
}

std::string localNetbiosName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return "QUORVANE";
    }
    std::string text(name);
    return text.substr(0, text.find('.'));
}

std::uint16_t nextDatagramId() {
    static std::atomic<std::uint16_t> id{static_cast<std::uint16_t>(::getpid())};
    return id.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

void NetbiosBroadcasts::set(std::vector<IPv4Address> addresses) {
    std::lock_guard lock(m_guard);
    m_addresses = std::move(addresses);
}

std::vector<IPv4Address> NetbiosBroadcasts::get() const {
    std::lock_guard lock(m_guard);
    return m_addresses;
}

std::optional<IPv4Address> resolveTarget(const std::string& target,
                                         const std::vector<IPv4Address>& broadcasts) {
    if (target.empty()) {
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(target.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return broadcasts.empty() ? std::nullopt : queryNetbiosName(target, broadcasts);
    }
    IPv4Address ip;
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    std::memcpy(ip.data(), &address->sin_addr, ip.size());
    ::freeaddrinfo(found);
    return ip;
}

namespace {

// A station given by its address is named as its messenger registered itself: no station
// registers an address as a NetBIOS name, and a receiver that checks the destination name drops
// a datagram to one. The address stands when the station does not answer.
std::string destinationName(const std::string& pathTarget, const IPv4Address& station) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, pathTarget.c_str(), &parsed) != 1) {
        return pathTarget;
    }
    const auto entries = queryNodeStatus(station);
    const auto name = entries ? messengerName(*entries) : std::nullopt;
    return name.value_or(pathTarget);
}

} // namespace

bool SendMessengerMessage(const std::string& pathTarget, std::string_view recipient,
                          std::string_view sender, std::string_view text,
                          const std::vector<IPv4Address>& broadcasts) {
    const auto target = resolveTarget(pathTarget, broadcasts);
    if (!target) {
        return false;
    }
    UdpSocket socket;
    if (socket.fd() < 0) {
        return false;
    }
    bindSourcePort(socket.fd());
    const sockaddr_in remote = socketAddress(*target, NETBIOS_DATAGRAM_PORT);
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
        return false;
    }
    sockaddr_in local{};
    socklen_t localLength = sizeof local;
    ::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&local), &localLength);

    const auto data = MessengerDatagram(sender, recipient, text);
    MailslotWrite write;
    write.datagramId = nextDatagramId();
    std::memcpy(write.sourceIp.data(), &local.sin_addr, write.sourceIp.size());
    write.sourcePort = ntohs(local.sin_port);
    write.sourceName = localNetbiosName();
    write.destinationName = destinationName(pathTarget, *target);
    write.data = data;
    const auto packet = buildMailslotDatagram(write);
    const ssize_t sent = ::send(socket.fd(), packet.data(), packet.size(), 0);
    return sent == static_cast<ssize_t>(packet.size());
}

} // namespace qv
