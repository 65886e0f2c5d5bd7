#include "tests/support/raw_sender.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
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

SentFlood sendFlood(RawSender& sender,
                    const std::function<std::array<std::uint8_t, 42>(std::uint64_t)>& frame,
                    std::uint64_t count, std::chrono::milliseconds limit, double perSecond) {
    SentFlood sent;
    const auto start = std::chrono::steady_clock::now();
    while (sent.frames < count && std::chrono::steady_clock::now() - start < limit) {
        for (int k = 0; k < 1000 && sent.frames < count; ++k) {
            sent.frames += sender.send(frame(sent.frames)) ? 1 : 0;
        }
        if (perSecond > 0) {
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(sent.frames / perSecond)));
        }
    }
    sent.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return sent;
}

} // namespace qv::test
