#include <algorithm>
#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "engine/arp_csv_writer.h"
#include "engine/arp_frame.h"
#include "engine/station_table.h"
#include "settings/settings_file.h"
#include "tests/support/arp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tshark_ndp.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

constexpr MacAddress A{0x02, 0x00, 0x00, 0x00, 0x00, 0x0A};
constexpr MacAddress B{0x02, 0x00, 0x00, 0x00, 0x00, 0x0B};
// Addresses nobody in the namespaces owns, so no kernel answers for them.
constexpr IPv4Address HOST_A{10, 77, 0, 10};
constexpr IPv4Address HOST_B{10, 77, 0, 11};

// The part of a line after its date-time field, which follows the local clock.
std::vector<std::string> withoutTimes(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, end - start);
        lines.push_back(line.substr(line.find(';') + 1));
        start = end + 1;
    }
    return lines;
}

TEST(WatchLive, TheWatcherJournalsFramesCapturedOnAVethPair) {
    if (const auto reason = test::VethPair::unavailableReason()) {
        GTEST_SKIP() << *reason;
    }
    test::VethPair pair;
    test::TempFolder data;
    const std::string out = (data / "out.txt").string();
    const std::string err = (data / "err.txt").string();
    test::BackgroundProcess watcher("exec env LC_ALL=C TZ=UTC ip netns exec " + pair.namespaceB() +
                                    " " + QV_BINARY_DIR "/quorvane-watch --data-dir " +
                                    (data / "Quorvane").string() + " --interface " +
                                    pair.interfaceB() + " >" + out + " 2>" + err);
    ASSERT_TRUE(test::waitForFileText(err, "capturing on " + pair.interfaceB(), 30s))
        << test::readText(err);

    test::VethPair::runIn(pair.namespaceA(), [&] {
        test::RawSender sender(pair.interfaceA());
        EXPECT_TRUE(sender.send(test::arpFrame(ARP_REQUEST, A, HOST_A, ZERO_MAC, HOST_B)));
        EXPECT_TRUE(sender.send(test::arpFrame(ARP_REPLY, B, HOST_B, A, HOST_A)));
        EXPECT_TRUE(sender.send(test::arpFrame(ARP_REQUEST, A, HOST_B, ZERO_MAC, HOST_A, &A)));
    });
    const std::string csv = (data / "Quorvane" / "ARP.csv").string();
    ASSERT_TRUE(test::waitForFileText(csv, "10.77.0.11;02-00-00-00-00-0A;10.77.0.10", 30s))
        << test::readText(csv);
    watcher.signal(SIGTERM);
    ASSERT_EQ(watcher.wait(30s), 0) << test::readText(err);

    EXPECT_EQ(
        withoutTimes(test::readText(out)),
        (std::vector<std::string>{"New station;10.77.0.10, hwaddr: 02-00-00-00-00-0A",
                                  "New station;10.77.0.11, hwaddr: 02-00-00-00-00-0B",
                                  "Flip flop;02-00-00-00-00-0A takes other's IP: 10.77.0.11"}));
    EXPECT_EQ(withoutTimes(test::readText(csv)),
              (std::vector<std::string>{
                  "Type;Sender IP;Sender MAC;Target IP;Target MAC\r",
                  "request;10.77.0.10;02-00-00-00-00-0A;10.77.0.11;00-00-00-00-00-00\r",
                  "response;10.77.0.11;02-00-00-00-00-0B;10.77.0.10;02-00-00-00-00-0A\r",
                  "request;10.77.0.11;02-00-00-00-00-0A;10.77.0.10;00-00-00-00-00-00\r"}));
    EXPECT_NE(test::readText(err).find(pair.interfaceB() + ": 3 frames received, 0 dropped"),
              std::string::npos)
        << test::readText(err);

    StationTable table;
    auto t = table.lock();
    EXPECT_EQ(t.loadStations((data / "Quorvane" / STATION_FILE_NAME).string()), 3);
}

// Real neighbour discovery between two kernels: global addresses added on both ends (each
// checked by duplicate address detection), a ping (solicitation and advertisement), then host
// A's MAC changed and the neighbour caches flushed, and a ping again. The watcher on B's end
// journals the stations, their new addresses and the change, and its NDP.csv says what tshark,
// capturing on the same interface from before the watcher started to after it ended, decodes of the
// same frames.
TEST(WatchLive, NeighbourDiscoveryBetweenTwoKernelsIsJournaledAsTsharkDecodesIt) {
    if (const auto reason = test::VethPair::unavailableReason()) {
        GTEST_SKIP() << *reason;
    }
    if (test::shell("command -v tshark >/dev/null 2>&1 && command -v ping >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark or ping is not installed (./test installs them)";
    }
    test::VethPair pair(test::VethPair::IPv6::On);
    test::TempFolder data;
    const std::string inA = "ip netns exec " + pair.namespaceA() + " ";
    const std::string inB = "ip netns exec " + pair.namespaceB() + " ";
    ASSERT_EQ(test::shell(inA + "ip link set " + pair.interfaceA() + " address 02:00:00:00:00:0a"),
              0);
    const std::string capture = (data / "judge.pcapng").string();
    const std::string tsharkErr = (data / "tshark.err").string();
    test::BackgroundProcess tshark("exec " + inB + "tshark -i " + pair.interfaceB() +
                                   " -f icmp6 -w " + capture + " 2>" + tsharkErr);
    ASSERT_TRUE(test::waitForFileText(tsharkErr, "Capturing on", 30s)) << test::readText(tsharkErr);
    const std::string err = (data / "err.txt").string();
    const std::string out = (data / "out.txt").string();
    test::BackgroundProcess watcher("exec env LC_ALL=C TZ=UTC " + inB +
                                    QV_BINARY_DIR "/quorvane-watch --data-dir " +
                                    (data / "Quorvane").string() + " --interface " +
                                    pair.interfaceB() + " >" + out + " 2>" + err);
    ASSERT_TRUE(test::waitForFileText(err, "capturing on " + pair.interfaceB(), 30s))
        << test::readText(err);

    // Each ping waits for the other end's addresses to leave their tentative state.
    const std::string settled = "for i in $(seq 50); do [ -z \"$(ip -6 addr show tentative)\" ] "
                                "&& break; sleep 0.1; done; ";
    ASSERT_EQ(test::shell(inA + "ip addr add 2001:db8::1/64 dev " + pair.interfaceA()), 0);
    ASSERT_EQ(test::shell(inB + "ip addr add 2001:db8::2/64 dev " + pair.interfaceB()), 0);
    ASSERT_EQ(test::shell(inB + "sh -c '" + settled + "'; " + inA + "sh -c '" + settled +
                          "ping -6 -c 1 -W 5 2001:db8::2 >/dev/null'"),
              0);
    ASSERT_EQ(test::shell(inA + "ip link set " + pair.interfaceA() +
                          " address 02:00:00:00:00:0c; " + inA + "ip -6 neigh flush dev " +
                          pair.interfaceA() + "; " + inB + "ip -6 neigh flush dev " +
                          pair.interfaceB() + "; " + inA +
                          "ping -6 -c 1 -W 5 2001:db8::2 >/dev/null"),
              0);
    const std::string ndp = (data / "Quorvane" / NDP_CSV_FILE_NAME).string();
    ASSERT_TRUE(test::waitForFileText(ndp, "2001:db8::1;02-00-00-00-00-0C", 30s))
        << test::readText(ndp);
    std::this_thread::sleep_for(1s); // the answers to the last solicitation
    watcher.signal(SIGTERM);
    ASSERT_EQ(watcher.wait(30s), 0) << test::readText(err);
    tshark.signal(SIGINT);
    ASSERT_EQ(tshark.wait(30s), 0) << test::readText(tsharkErr);

    const std::string journal = test::readText(out);
    // Whether an interface's global address is a new station or new activity of a MAC known by
    // its link-local address depends on which the kernels sent first.
    for (const char* event :
         {"(New station;2001:db8::1, hwaddr: 02-00-00-00-00-0A|New activity;02-00-00-00-00-0A, ip: "
          "2001:db8::1)\n",
          "(New station;2001:db8::2, hwaddr: |New activity;[0-9A-F-]{17}, ip: 2001:db8::2\n)",
          "Changed ethernet address;2001:db8::1 from 02-00-00-00-00-0A to 02-00-00-00-00-0C\n"}) {
        EXPECT_TRUE(std::regex_search(journal, std::regex(event))) << event << " in\n" << journal;
    }
    EXPECT_NE(test::readText(err).find(" dropped\n"), std::string::npos);
    EXPECT_NE(test::readText(err).find(", 0 dropped"), std::string::npos) << test::readText(err);

    // What the watcher logged is a run of what tshark saw, with the pings' frames in it.
    const auto ours = test::ndpCsvLines(test::readText(ndp));
    const auto theirs = test::tsharkNdpLines(capture, data / "tshark.txt");
    ASSERT_FALSE(ours.empty());
    EXPECT_NE(std::search(theirs.begin(), theirs.end(), ours.begin(), ours.end()), theirs.end())
        << "ours:\n"
        << ::testing::PrintToString(ours) << "\ntshark's:\n"
        << ::testing::PrintToString(theirs);
    const auto has = [&](const std::string& start) {
        return std::any_of(ours.begin(), ours.end(),
                           [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    };
    EXPECT_TRUE(has("solicitation;::;")); // duplicate address detection
    EXPECT_TRUE(has("solicitation;2001:db8::1;02-00-00-00-00-0C;2001:db8::2;"));
    EXPECT_TRUE(has("advertisement;2001:db8::2;"));
    EXPECT_TRUE(std::filesystem::exists(data / "Quorvane" / STATION6_FILE_NAME));
}

// Without --interface the watcher starts as the program does: every Ethernet adapter on a first
// run (the namespace's loopback is not one), the settings' selection afterwards.
TEST(WatchLive, WithoutInterfacesTheSettingsChooseTheAdapters) {
    if (const auto reason = test::VethPair::unavailableReason()) {
        GTEST_SKIP() << *reason;
    }
    test::VethPair pair;
    test::TempFolder data;
    const std::string err = (data / "err.txt").string();
    const std::string command = "exec ip netns exec " + pair.namespaceB() +
                                " " QV_BINARY_DIR "/quorvane-watch --data-dir " +
                                data.path().string() + " 2>" + err;
    {
        test::BackgroundProcess watcher(command);
        ASSERT_TRUE(test::waitForFileText(err, "capturing on " + pair.interfaceB(), 30s))
            << test::readText(err);
        watcher.signal(SIGINT);
        ASSERT_EQ(watcher.wait(30s), 0) << test::readText(err);
        EXPECT_EQ(test::readText(err).find("capturing on lo"), std::string::npos);
    }
    Settings s = defaultSettings("/x/");
    ASSERT_TRUE(SaveSettings(s, DataFolder(data.path()))); // no adapter selected
    test::BackgroundProcess watcher(command);
    ASSERT_EQ(watcher.wait(30s), 1);
    EXPECT_NE(test::readText(err).find("no Ethernet adapter to capture on"), std::string::npos);
}

// Hides libpcap from the watcher by mounting an empty file over it in a mount namespace of the
// watcher's own, so that loading it fails as on a machine without it.
TEST(WatchLive, WithoutLibpcapTheStartUpMessageIsGiven) {
    if (::geteuid() != 0 || test::shell("command -v unshare >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "hiding libpcap needs root and unshare (CI runs as root)";
    }
    test::TempFolder data;
    const std::string err = (data / "err").string();
    const std::string hide =
        "for f in /usr/lib/*/libpcap.so.* /lib/*/libpcap.so.*; do [ -f \"$f\" ] && "
        "mount --bind /dev/null \"$f\"; done; ";
    test::BackgroundProcess watcher("exec unshare -m sh -c '" + hide +
                                    "exec " QV_BINARY_DIR "/quorvane-watch --data-dir " +
                                    data.path().string() + "' 2>" + err);
    ASSERT_EQ(watcher.wait(30s), 1) << test::readText(err);
    EXPECT_NE(test::readText(err).find("WinPCAP not installed, or installed older version. Do you "
                                       "want to download WinPCAP?"),
              std::string::npos)
        << test::readText(err);
}

TEST(WatchLive, AnAdapterThatCannotBeOpenedIsReported) {
    test::TempFolder data;
    test::BackgroundProcess watcher("LC_ALL=C " QV_BINARY_DIR "/quorvane-watch --data-dir " +
                                    data.path().string() + " --interface quorvane-none0 2>" +
                                    (data / "err").string());
    ASSERT_EQ(watcher.wait(30s), 1);
    const std::string err = test::readText(data / "err");
    EXPECT_NE(err.find("cannot capture on quorvane-none0"), std::string::npos) << err;
    EXPECT_NE(err.find("no Ethernet adapter to capture on"), std::string::npos) << err;
}

} // namespace
} // namespace qv
