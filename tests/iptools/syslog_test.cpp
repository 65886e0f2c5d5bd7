// The syslog path below the watcher: the collector's address, the RFC 5424 message, and the
// forwarder against listeners on the loopback interface.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "iptools/syslog_forwarder.h"
#include "iptools/syslog_message.h"
#include "iptools/syslog_target.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using Transport = SyslogTarget::Transport;

TEST(SyslogTarget, ParsesTheTransportHostAndPort) {
    const struct {
        const char* text;
        std::optional<SyslogTarget> target;
    } cases[] = {
        {"tcp://collector.example", SyslogTarget{Transport::Tcp, "collector.example", 514}},
        {"udp://10.0.0.5:1514", SyslogTarget{Transport::Udp, "10.0.0.5", 1514}},
        {"tcp://[2001:db8::1]:6514", SyslogTarget{Transport::Tcp, "2001:db8::1", 6514}},
        {"udp://[::1]", SyslogTarget{Transport::Udp, "::1", 514}},
        {"collector.example", std::nullopt},
        {"http://collector.example", std::nullopt},
        {"tcp://", std::nullopt},
        {"tcp://host:", std::nullopt},
        {"tcp://host:0", std::nullopt},
        {"tcp://host:65536", std::nullopt},
        {"tcp://host:51x", std::nullopt},
        {"tcp://[::1", std::nullopt},
        {"tcp://[::1]x", std::nullopt},
        {"tcp://user@host", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(parseSyslogTarget(c.text, error), c.target) << c.text;
        EXPECT_EQ(error.empty(), c.target.has_value()) << c.text;
    }
}

TEST(SyslogMessage, IsTheRfc5424LineWithItsStructuredData) {
    SyslogRecord r;
    r.severity = SYSLOG_WARNING;
    r.timestamp = "2026-12-06T18:01:52.000+00:00";
    r.hostname = "sensor-1";
    r.appName = "quorvane";
    r.procId = "4242";
    r.msgId = "changed-ethernet-address";
    r.params = {{"ip", "192.168.0.7"}, {"mac", "00-0C-29-3A-4B-5C"}};
    r.message = "Changed ethernet address: 192.168.0.7 from 00-1B-21-3A-4F-10 to 00-0C-29-3A-4B-5C";
    EXPECT_EQ(formatSyslogMessage(r),
              "<36>1 2026-12-06T18:01:52.000+00:00 sensor-1 quorvane 4242 "
              "changed-ethernet-address [quorvane@32473 ip=\"192.168.0.7\" "
              "mac=\"00-0C-29-3A-4B-5C\"] Changed ethernet address: 192.168.0.7 from "
              "00-1B-21-3A-4F-10 to 00-0C-29-3A-4B-5C");
}

TEST(SyslogMessage, NilValuesEscapesAndHeaderFieldsKeepTheSyntax) {
    SyslogRecord r;
    r.hostname = "my host\x7f";
    r.msgId = std::string(40, 'm');
    r.params = {{"note", "a \"quoted\" \\ value]"}};
    r.message = "Host 10.0.0.9\n(MAC: 00-0C-29-3A-4B-5C)";
    EXPECT_EQ(formatSyslogMessage(r),
              "<37>1 - my_host_ - - " + std::string(32, 'm') +
                  " [quorvane@32473 note=\"a \\\"quoted\\\" \\\\ value\\]\"]"
                  " Host 10.0.0.9 (MAC: 00-0C-29-3A-4B-5C)");
    r.params.clear();
    r.message.clear();
    EXPECT_EQ(formatSyslogMessage(r), "<37>1 - my_host_ - - " + std::string(32, 'm') + " -");
    EXPECT_EQ(octetCounted("<37>1 - - - - - -"), "17 <37>1 - - - - - -");
}

// A listener on a free loopback port, of either transport.
class Listener {
public:
    explicit Listener(Transport transport, std::uint16_t port = 0) : m_transport(transport) {
        m_fd = ::socket(AF_INET, transport == Transport::Tcp ? SOCK_STREAM : SOCK_DGRAM, 0);
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot bind the listener");
        }
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (transport == Transport::Tcp) {
            ::listen(m_fd, 4);
        }
        timeval wait{5, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~Listener() {
        if (m_connection >= 0) {
            ::close(m_connection);
        }
        ::close(m_fd);
    }

    std::uint16_t port() const { return m_port; }
    SyslogTarget target() const { return {m_transport, "127.0.0.1", m_port}; }

    // What arrives until `count` messages are whole (TCP) or `count` datagrams came (UDP), or
    // five seconds pass without data.
    std::vector<std::string> receive(std::size_t count) {
        std::vector<std::string> messages;
        if (m_transport == Transport::Udp) {
            char datagram[2048];
            while (messages.size() < count) {
                const ssize_t got = ::recv(m_fd, datagram, sizeof datagram, 0);
                if (got < 0) {
                    break;
                }
                messages.emplace_back(datagram, static_cast<std::size_t>(got));
            }
            return messages;
        }
        if (m_connection < 0) {
            m_connection = ::accept(m_fd, nullptr, nullptr);
            timeval wait{5, 0};
            ::setsockopt(m_connection, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        }
        while (messages.size() < count) {
            const auto space = m_stream.find(' ');
            if (space != std::string::npos) {
                const std::size_t length = std::stoul(m_stream.substr(0, space));
                if (m_stream.size() >= space + 1 + length) {
                    messages.push_back(m_stream.substr(space + 1, length));
                    m_stream.erase(0, space + 1 + length);
                    continue;
                }
            }
            char bytes[4096];
            const ssize_t got = ::recv(m_connection, bytes, sizeof bytes, 0);
            if (got <= 0) {
                break;
            }
            m_stream.append(bytes, static_cast<std::size_t>(got));
        }
        return messages;
    }

private:
    Transport m_transport;
    int m_fd = -1;
    int m_connection = -1;
    std::uint16_t m_port = 0;
    std::string m_stream;
};

std::vector<std::string> numbered(int from, int to) {
    std::vector<std::string> messages;
    for (int i = from; i < to; ++i) {
        messages.push_back("<37>1 - - - - - - event " + std::to_string(i));
    }
    return messages;
}

TEST(SyslogForwarder, DeliversInOrderOverTcpAndUdp) {
    for (Transport transport : {Transport::Tcp, Transport::Udp}) {
        Listener collector(transport);
        SyslogForwarder forwarder(collector.target());
        for (const std::string& m : numbered(0, 50)) {
            forwarder.forward(m);
        }
        EXPECT_EQ(collector.receive(50), numbered(0, 50));
        EXPECT_TRUE(forwarder.drain(5s));
        EXPECT_EQ(forwarder.sent(), 50u);
        EXPECT_EQ(forwarder.dropped(), 0u);
    }
}

// The collector goes away and comes back on the same port: what was queued meanwhile, and what
// follows, arrives once it is back.
TEST(SyslogForwarder, ACollectorThatComesBackGetsTheLaterMessages) {
    auto collector = std::make_unique<Listener>(Transport::Tcp);
    const std::uint16_t port = collector->port();
    SyslogForwarder forwarder(collector->target());
    for (const std::string& m : numbered(0, 3)) {
        forwarder.forward(m);
    }
    EXPECT_EQ(collector->receive(3), numbered(0, 3));
    EXPECT_TRUE(forwarder.drain(5s));
    collector.reset(); // closes its end of the connection and stops listening
    std::this_thread::sleep_for(100ms);
    for (const std::string& m : numbered(3, 6)) {
        forwarder.forward(m);
    }
    EXPECT_FALSE(forwarder.drain(300ms)); // nowhere to go
    collector = std::make_unique<Listener>(Transport::Tcp, port);
    EXPECT_EQ(collector->receive(3), numbered(3, 6));
    forwarder.forward(numbered(6, 7)[0]);
    EXPECT_EQ(collector->receive(1), numbered(6, 7));
    EXPECT_EQ(forwarder.dropped(), 0u);
}

// A collector that never answers: forwarding returns at once, and what the queue cannot hold is
// dropped and counted.
TEST(SyslogForwarder, AFullQueueDropsAndCountsWithoutWaiting) {
    std::uint16_t closedPort = 0;
    {
        Listener gone(Transport::Tcp);
        closedPort = gone.port();
    }
    SyslogForwarder forwarder({Transport::Tcp, "127.0.0.1", closedPort}, 3);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& m : numbered(0, 10)) {
        forwarder.forward(m);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_GE(forwarder.dropped(), 6u); // one may be on its way out of the queue
    EXPECT_LE(forwarder.queued(), 3u);
    EXPECT_EQ(forwarder.sent(), 0u);
}

} // namespace
} // namespace qv
