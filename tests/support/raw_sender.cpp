#include "tests/support/raw_sender.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::test {

RawSender::RawSender(const std::string& interface) {
    m_fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ALL);
    address.sll_ifindex = static_cast<int>(::if_nametoindex(interface.c_str()));
    if (m_fd < 0 || address.sll_ifindex == 0 ||
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot open a raw socket on " + interface);
    }
}

RawSender::~RawSender() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool RawSender::send(std::span<const std::uint8_t> frame) {
    return ::send(m_fd, frame.data(), frame.size(), 0) == static_cast<ssize_t>(frame.size());
}

} // namespace qv::test
