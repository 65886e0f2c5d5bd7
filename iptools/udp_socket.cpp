#include "iptools/udp_socket.h"

#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace qv {

UdpSocket::UdpSocket() : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}

sockaddr_in socketAddress(const IPv4Address& ip, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    std::memcpy(&address.sin_addr, ip.data(), ip.size());
    return address;
}

} // namespace qv
