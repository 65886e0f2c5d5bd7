#include "iptools/syslog_forwarder.h"

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/file_descriptor.h"
#include "iptools/syslog_message.h"

namespace qv {
namespace {

constexpr auto FIRST_RETRY = std::chrono::milliseconds(500);
constexpr auto LAST_RETRY = std::chrono::seconds(10);
constexpr auto DRAIN_RETRY = std::chrono::milliseconds(200);
constexpr int CONNECT_TIMEOUT_MS = 5000;
constexpr int SEND_TIMEOUT_MS = 5000;

// Waits for a non-blocking connect to finish.
bool connected(int fd) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, CONNECT_TIMEOUT_MS) != 1) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, SEND_TIMEOUT_MS) != 1) {
                return false; // a collector that reads nothing for this long is taken as gone
            }
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// The collector never writes to us: a readable socket means it closed the connection (or reset
// it), which is found out before a message goes into a connection that is gone.
bool peerClosed(int fd) {
    pollfd p{fd, POLLIN | POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

} // namespace

SyslogForwarder::SyslogForwarder(SyslogTarget target, std::size_t capacity)
    : m_target(std::move(target)), m_capacity(capacity), m_thread([this] { run(); }) {}

SyslogForwarder::~SyslogForwarder() {
    {
        std::lock_guard lock(m_guard);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    disconnect();
}

void SyslogForwarder::forward(std::string message) noexcept {
    try {
        std::lock_guard lock(m_guard);
        if (m_queue.size() >= m_capacity) {
            m_dropped.fetch_add(1);
            return;
        }
        m_queue.push_back(std::move(message));
    } catch (...) {
        m_dropped.fetch_add(1);
        return;
    }
    m_wake.notify_one();
}

bool SyslogForwarder::drain(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_guard);
    m_draining = true;
    m_wake.notify_all();
    const bool done =
        m_idle.wait_for(lock, limit, [this] { return m_queue.empty() && !m_sending; });
    m_draining = false;
    return done;
}

std::size_t SyslogForwarder::queued() const {
    std::lock_guard lock(m_guard);
    return m_queue.size();
}

void SyslogForwarder::run() {
    auto retry = FIRST_RETRY;
    std::unique_lock lock(m_guard);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) {
            return;
        }
        const std::string message = m_queue.front();
        m_sending = true;
        lock.unlock();
        if (m_socket && m_target.transport == SyslogTarget::Transport::Tcp &&
            peerClosed(m_socket.get())) {
            disconnect();
        }
        const bool sent = (m_socket || connectToCollector()) && sendOne(message);
        lock.lock();
        m_sending = false;
        if (sent) {
            m_queue.pop_front();
            m_sent.fetch_add(1);
            retry = FIRST_RETRY;
            if (m_queue.empty()) {
                m_idle.notify_all();
            }
            continue;
        }
        disconnect();
        const bool draining = m_draining;
        m_wake.wait_for(lock, draining ? DRAIN_RETRY : retry,
                        [&] { return m_stopping || (m_draining && !draining); });
        retry = std::min<std::chrono::milliseconds>(retry * 2, LAST_RETRY);
    }
}

bool SyslogForwarder::connectToCollector() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype =
        m_target.transport == SyslogTarget::Transport::Tcp ? SOCK_STREAM : SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(m_target.host.c_str(), std::to_string(m_target.port).c_str(), &hints,
                      &found) != 0) {
        return false;
    }
    for (const addrinfo* a = found; a != nullptr && !m_socket; a = a->ai_next) {
        FileDescriptor fd(
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
        if (!fd) {
            continue;
        }
        const int result = ::connect(fd.get(), a->ai_addr, a->ai_addrlen);
        if (result == 0 || (errno == EINPROGRESS && connected(fd.get()))) {
            m_socket = std::move(fd);
        }
    }
    ::freeaddrinfo(found);
    return m_socket.valid();
}

bool SyslogForwarder::sendOne(const std::string& message) {
    if (m_target.transport == SyslogTarget::Transport::Udp) {
        // One message per datagram; a connected UDP socket learns of a closed port from the
        // ICMP answer to an earlier datagram, and is then made again.
        return ::send(m_socket.get(), message.data(), message.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(message.size());
    }
    return sendAll(m_socket.get(), octetCounted(message));
}

void SyslogForwarder::disconnect() {
    m_socket.reset();
}

} // namespace qv
