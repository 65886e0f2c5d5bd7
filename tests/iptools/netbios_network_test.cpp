// NetBIOS against a real peer: Samba's nmbd in one network namespace, asked over a veth pair from
// the other. Needs root and nmbd (Debian package samba); skips, saying why, without them.

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "iptools/mailslot_client.h"
#include "iptools/netbios_name_service.h"
#include "iptools/station_info.h"
#include "tests/iptools/netbios_answers.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

const IPv4Address STATION{10, 77, 0, 2};
const IPv4Address BROADCAST{10, 77, 0, 255};

class NetbiosNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = test::VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        pair = std::make_unique<test::VethPair>();
    }

    // nmbd for host B, named STATIONB in the group QVTEST; ready once its names are registered,
    // which takes it a few seconds of broadcasts: it then answers both kinds of query.
    void startNmbd() {
        if (test::shell("command -v nmbd >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "nmbd is missing (Debian package samba)";
        }
        const std::string root = samba.path().string();
        std::string conf = "[global]\n    netbios name = STATIONB\n    workgroup = QVTEST\n"
                           "    interfaces = " +
                           pair->interfaceB() + "\n    bind interfaces only = yes\n";
        for (const char* dir : {"lock", "state", "cache", "pid", "private", "ncalrpc"}) {
            std::filesystem::create_directories(samba / dir);
            conf +=
                std::string("    ") +
                (std::string(dir) == "private" ? "private dir" : std::string(dir) + " directory") +
                " = " + root + "/" + dir + "\n";
        }
        conf += "    log file = " + root + "/log.%m\n    load printers = no\n";
        test::writeText(samba / "smb.conf", conf);
        nmbd = std::make_unique<test::BackgroundProcess>(
            "exec ip netns exec " + pair->namespaceB() +
            " nmbd --foreground --no-process-group -s " + root + "/smb.conf >" + root +
            "/out.log 2>&1");
        bool ready = false;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!ready && std::chrono::steady_clock::now() < deadline) {
            inA([&] {
                const auto entries = queryNodeStatus(STATION, 500ms, 1);
                ready = entries && netbiosNames(*entries).computer.has_value() &&
                        queryNetbiosName("STATIONB", {BROADCAST}, 500ms, 1);
            });
        }
        ASSERT_TRUE(ready) << test::readText(samba / "out.log");
    }
    void inA(const std::function<void()>& body) { test::VethPair::runIn(pair->namespaceA(), body); }

    std::unique_ptr<test::VethPair> pair;
    test::TempFolder samba;
    std::unique_ptr<test::BackgroundProcess> nmbd;
};

TEST_F(NetbiosNetwork, TheStationsNameTableGivesItsComputerAndGroup) {
    startNmbd();
    inA([&] {
        EXPECT_EQ(netbiosFields(STATION), (std::array<std::string, 2>{"STATIONB", "QVTEST"}));
    });
}

TEST_F(NetbiosNetwork, AMessageTargetKnownOnlyByItsNetbiosNameIsFound) {
    startNmbd();
    inA([&] {
        EXPECT_EQ(queryNetbiosName("stationb", {BROADCAST}), STATION);
        EXPECT_EQ(resolveTarget("StationB", {BROADCAST}), STATION);
        EXPECT_FALSE(resolveTarget("NOBODY", {BROADCAST}));
        EXPECT_FALSE(resolveTarget("StationB", {})); // no network to ask
    });
}

TEST_F(NetbiosNetwork, AStationWithNothingOnPort137IsNotDetectedWithinTheTimeOut) {
    inA([&] {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(netbiosFields(STATION), (std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED}));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    });
}

// A stand-in station in namespace B: listens on the station's port 137 and answers the first
// request with what `answer` makes of it, from `from` (the station's own address, or another).
class StandInStation {
public:
    StandInStation(const test::VethPair& pair, const char* from,
                   std::function<test::Bytes(const std::uint8_t* request)> answer) {
        test::VethPair::runIn(pair.namespaceB(), [&] {
            const int listen = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            const int reply = std::string(from) == "10.77.0.2"
                                  ? listen
                                  : ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_port = htons(137);
            ::inet_pton(AF_INET, "10.77.0.2", &at.sin_addr);
            ASSERT_EQ(::bind(listen, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
            if (reply != listen) {
                ::inet_pton(AF_INET, from, &at.sin_addr);
                ASSERT_EQ(::bind(reply, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
            }
            m_thread = std::thread([this, listen, reply, answer] {
                std::uint8_t request[512];
                sockaddr_in peer{};
                socklen_t length = sizeof peer;
                timeval wait{5, 0};
                ::setsockopt(listen, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
                const ssize_t got = ::recvfrom(listen, request, sizeof request, 0,
                                               reinterpret_cast<sockaddr*>(&peer), &length);
                if (got >= 46) {
                    const test::Bytes bytes = answer(request);
                    ::sendto(reply, bytes.data(), bytes.size(), 0,
                             reinterpret_cast<sockaddr*>(&peer), length);
                    answered = true;
                }
                ::close(listen);
                if (reply != listen) {
                    ::close(reply);
                }
            });
        });
    }
    ~StandInStation() { answeredOnce(); }
    // Whether it answered, once it has had its request or given up waiting.
    bool answeredOnce() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return answered;
    }

private:
    std::atomic<bool> answered{false};
    std::thread m_thread;
};

std::uint16_t transactionOf(const std::uint8_t* request) {
    return static_cast<std::uint16_t>(request[0] << 8 | request[1]);
}

// A reply to the right request, but from another address than the one asked, is not an answer.
TEST_F(NetbiosNetwork, AReplyFromAnotherAddressIsIgnored) {
    ASSERT_EQ(test::shell("ip -n " + pair->namespaceB() + " addr add 10.77.0.3/24 dev " +
                          pair->interfaceB()),
              0);
    StandInStation impostor(*pair, "10.77.0.3", [](const std::uint8_t* request) {
        // A complete, valid answer with the request's own transaction id.
        return test::statusResponse(transactionOf(request),
                                    {{test::name16("IMPOSTOR", 0x00), 0x0400}});
    });
    inA([&] { EXPECT_FALSE(queryNodeStatus(STATION, 1000ms, 2)); });
    EXPECT_TRUE(impostor.answeredOnce());
}

// A station with a long name table (a server with many services) answers in a datagram larger
// than an Ethernet frame, which the kernel reassembles: it is read whole.
TEST_F(NetbiosNetwork, ALongNameTableIsReadWhole) {
    std::vector<test::Entry> table;
    for (int i = 0; i < 150; ++i) {
        table.push_back({test::name16("SERVICE" + std::to_string(i), 0x20), 0x0400});
    }
    table.push_back({test::name16("BIGSERVER", 0x00), 0x0400});
    table.push_back({test::name16("BIGGROUP", 0x00), 0x8400});
    ASSERT_GT(test::statusResponse(1, table).size(), 1500u);
    StandInStation station(*pair, "10.77.0.2", [&](const std::uint8_t* request) {
        return test::statusResponse(transactionOf(request), table);
    });
    inA([&] {
        EXPECT_EQ(netbiosFields(STATION), (std::array<std::string, 2>{"BIGSERVER", "BIGGROUP"}));
    });
    EXPECT_TRUE(station.answeredOnce());
}

// A message to a station given by its address names the station's messenger (STATIONB<03>, as
// nmbd registers it) as its NetBIOS destination, as tshark decodes it.
TEST_F(NetbiosNetwork, AMessageToAStationByAddressNamesItsMessenger) {
    if (test::shell("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (./test installs it)";
    }
    startNmbd();
    const std::string capture = (samba / "messenger.pcapng").string();
    const std::string log = (samba / "tshark.log").string();
    test::BackgroundProcess tshark(
        "ip netns exec " + pair->namespaceB() + " tshark -i " + pair->interfaceB() +
        " -f 'udp dst port 138 and src host 10.77.0.1' -c 1 -w " + capture + " >" + log + " 2>&1");
    ASSERT_TRUE(test::waitForFileText(log, "Capture started", 30s)) << test::readText(log);
    inA([&] { EXPECT_TRUE(SendMessengerMessage("10.77.0.2", "10.77.0.2", "Quorvane", "hi")); });
    ASSERT_EQ(tshark.wait(30s), 0) << test::readText(log);
    const std::string decodedFile = (samba / "decoded.txt").string();
    ASSERT_EQ(test::shell("tshark -r " + capture + " -V >" + decodedFile + " 2>/dev/null"), 0);
    const std::string decoded = test::readText(decodedFile);
    EXPECT_NE(decoded.find("Destination name: STATIONB<03>"), std::string::npos) << decoded;
    EXPECT_NE(decoded.find("Mailslot Name: \\MAILSLOT\\MESSNGR"), std::string::npos);
}

} // namespace
} // namespace qv
