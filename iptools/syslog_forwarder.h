#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "common/file_descriptor.h"

#include "iptools/syslog_target.h"

namespace qv {

// Sends syslog messages to one collector from a thread of its own, so that a collector that is
// down, slow or far never holds up detection: messages wait in a bounded queue and are dropped,
// counted, when it is full. A lost TCP connection is made again, with waits growing from half a
// second to ten, and the message that failed is sent first; a message the kernel took before the
// peer went away is lost with the connection, as with any TCP syslog.
class SyslogForwarder {
public:
    static constexpr std::size_t DEFAULT_CAPACITY = 10'000;

    explicit SyslogForwarder(SyslogTarget target, std::size_t capacity = DEFAULT_CAPACITY);
    ~SyslogForwarder();
    SyslogForwarder(const SyslogForwarder&) = delete;
    SyslogForwarder& operator=(const SyslogForwarder&) = delete;

    // `message` is unframed (formatSyslogMessage); never blocks on the network.
    void forward(std::string message) noexcept;
    // Waits until every queued message is sent or `limit` has passed; true when all were sent.
    // A collector that was unreachable is tried again at once, then every fifth of a second.
    bool drain(std::chrono::milliseconds limit);

    std::uint64_t sent() const { return m_sent.load(); }
    std::uint64_t dropped() const { return m_dropped.load(); }
    std::size_t queued() const;

private:
    void run();
    bool connectToCollector();
    bool sendOne(const std::string& message);
    void disconnect();

    SyslogTarget m_target;
    std::size_t m_capacity;
    mutable std::mutex m_guard;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::string> m_queue;
    bool m_sending = false; // the head of the queue is being sent
    bool m_stopping = false;
    bool m_draining = false;
    std::atomic<std::uint64_t> m_sent{0};
    std::atomic<std::uint64_t> m_dropped{0};
    FileDescriptor m_socket; // the sending thread's alone
    std::thread m_thread;
};

} // namespace qv
