// NetBIOS against a real peer: Samba's nmbd in one network namespace, asked over a veth pair from
// the other. Needs root and nmbd (Debian package samba); skips, saying why, without them.

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "iptools/mailslot_client.h"
#include "iptools/netbios_name_service.h"
#include "iptools/station_info.h"
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

// A reply to the right request, but from another address than the one asked, is not an answer.
TEST_F(NetbiosNetwork, AReplyFromAnotherAddressIsIgnored) {
    ASSERT_EQ(test::shell("ip -n " + pair->namespaceB() + " addr add 10.77.0.3/24 dev " +
                          pair->interfaceB()),
              0);
    std::atomic<bool> answered{false};
    std::thread impostor;
    test::VethPair::runIn(pair->namespaceB(), [&] {
        // Listens on the station's port 137 and answers from 10.77.0.3.
        const int listen = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int reply = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(137);
        ::inet_pton(AF_INET, "10.77.0.2", &at.sin_addr);
        ASSERT_EQ(::bind(listen, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        ::inet_pton(AF_INET, "10.77.0.3", &at.sin_addr);
        ASSERT_EQ(::bind(reply, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        impostor = std::thread([listen, reply, &answered] {
            std::uint8_t request[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            timeval wait{5, 0};
            ::setsockopt(listen, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            const ssize_t got = ::recvfrom(listen, request, sizeof request, 0,
                                           reinterpret_cast<sockaddr*>(&from), &length);
            if (got >= 2) {
                // A complete, valid answer with the request's own transaction id.
                const std::uint8_t header[] = {request[0], request[1], 0x84, 0, 0, 0,
                                               0,          1,          0,    0, 0, 0};
                const std::uint8_t record[] = {0, 0x21, 0, 1, 0, 0, 0, 0, 0, 19, 1};
                const char name[] = "IMPOSTOR       ";
                const std::uint8_t flags[] = {0, 0x04, 0};
                std::uint8_t answer[sizeof header + 34 + sizeof record + 15 + sizeof flags];
                std::uint8_t* next = answer;
                next = std::copy(std::begin(header), std::end(header), next);
                next = std::copy(request + 12, request + 46, next);
                next = std::copy(std::begin(record), std::end(record), next);
                next = std::copy(name, name + 15, next);
                std::copy(std::begin(flags), std::end(flags), next);
                ::sendto(reply, answer, sizeof answer, 0, reinterpret_cast<sockaddr*>(&from),
                         length);
                answered = true;
            }
            ::close(listen);
            ::close(reply);
        });
    });
    inA([&] { EXPECT_FALSE(queryNodeStatus(STATION, 1000ms, 2)); });
    impostor.join();
    EXPECT_TRUE(answered);
}

} // namespace
} // namespace qv
