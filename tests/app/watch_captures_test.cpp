#include <algorithm>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "engine/arp_csv_writer.h"
#include "engine/station_table.h"
#include "tests/support/netns.h"
#include "tests/support/tshark_ndp.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

// The permissively licensed captures are kept in tests/data; the rest are read from the team's
// shared folder beside the checkout when it is there.
const std::filesystem::path KEPT = std::filesystem::path(QV_SOURCE_DIR) / "tests/data/captures";
const std::filesystem::path SHARED =
    std::filesystem::path(QV_SOURCE_DIR) / ".." / "shared" / "captures";

std::optional<std::filesystem::path> findCapture(const char* file) {
    for (const auto& folder : {KEPT, SHARED}) {
        if (std::filesystem::exists(folder / file)) {
            return folder / file;
        }
    }
    return std::nullopt;
}

struct Capture {
    const char* file;
    int strictArpFrames; // frames a strict 42-byte Ethernet/ARP/IPv4 decoder accepts
};

// Counts of frames that are untagged Ethernet II ARP for IPv4 with at least 42 bytes, as the
// captures' README gives them: exactly these get an ARP.csv line.
const Capture ETHERNET_CAPTURES[] = {
    {"arpscan-diff-frame-addr.pcap", 1},
    {"arpscan-dup-response.pcap", 15},
    {"arpscan-responses-192-168-1.pcap", 56},
    {"arpscan-too-short.pcap", 0},
    {"arpscan-trailer-response.pcap", 1},
    {"chappell-arp-badpadding.pcapng", 105},
    {"chappell-arp-bootup.pcapng", 5},
    {"chappell-arp-poison-ettercap.pcapng", 14},
    {"chappell-arp-promisc-scan.pcapng", 6},
    {"chappell-arp-sweep.pcapng", 316},
    {"distance-lan-invalid-gateway.pcapng", 118},
    {"distance-lan-ip-conflict.pcapng", 172},
    {"distance-lan-ip-mismatch.pcapng", 114},
    {"packetlife-gratuitous-arp-hsrp.pcap", 6},
    {"ppa-arp-gratuitous.pcapng", 1},
    {"ppa-arp-poison.pcapng", 4},
    {"sgr-arp-scan-burst.pcap", 509},
    {"sgr-arpspoof-two-way.pcap", 36},
    {"suricata-arp-vlan-stacked.pcap", 0},
    {"suricata-decode-arp-1.pcap", 1},
    {"suricata-home-lan-repeated-dad.pcap", 126},
    {"suricata-windows-dhcp-dad-lan.pcap", 108},
    {"tcpdump-802-1ad-qinq.pcap", 0},
    {"tcpdump-arp-oobr.pcap", 2023},
    {"tcpdump-arp-too-long-tha.pcap", 0},
    {"tcpdump-eapon1.pcap", 5},
    {"wireshark-arp-storm.pcap", 622},
    {"zeek-arp-leak.pcap", 0},
    {"zeek-arp-who-has.pcap", 2},
    {"zeek-communityid-arp.pcap", 6},
    {"zeek-icmp-dot1q.pcap", 0},
    {"zeek-nmap-arp-ping-scan.pcap", 503},
    {"zeek-q-in-q.pcap", 0},
    {"zeek-snap-arp.pcapng", 0},
};

const std::pair<const char*, const char*> FOREIGN_CAPTURES[] = {
    {"chappell-arp-iphone-startup.pcapng", "IEEE802_11_RADIO (127)"},
    {"tcpdump-ipoib-big-endian.pcap", "IPOIB (242)"},
    {"zeek-arp-who-has-radiotap.pcap", "IEEE802_11_RADIO (127)"},
    {"zeek-arp-who-has-wlanmon.pcap", "IEEE802_11 (105)"},
    {"zeek-linux-dlt-sll2.pcap", "LINUX_SLL2 (276)"},
    {"zeek-linuxsll-arp.pcap", "LINUX_SLL (113)"},
};

TEST(ThirdPartyCaptures, EthernetCapturesReplayWithALinePerStrictArpFrame) {
    int replayed = 0;
    for (const Capture& c : ETHERNET_CAPTURES) {
        const auto path = findCapture(c.file);
        if (!path) {
            continue; // not licensed for the repository and no shared folder here
        }
        ++replayed;
        test::TempFolder data;
        const auto run =
            test::runWatcher("--data-dir " + data.path().string() + " --read " + path->string());
        EXPECT_EQ(run.status, 0) << c.file << ": " << run.err;
        EXPECT_EQ(run.err, "") << c.file;
        const std::string csv = test::readText(data / ARP_CSV_FILE_NAME);
        const auto lines = std::count(csv.begin(), csv.end(), '\n');
        EXPECT_EQ(lines, c.strictArpFrames == 0 ? 0 : c.strictArpFrames + 1) << c.file;
        const std::string events = test::readText(data / "Events.csv");
        const auto eventLines = std::count(events.begin(), events.end(), '\n');
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'),
                  eventLines == 0 ? 0 : eventLines - 1)
            << c.file;
    }
    EXPECT_GE(replayed, 18) << "the 18 kept Ethernet captures are missing from " << KEPT;
}

// Captures whose whole output is pinned: tests/data/captures/golden holds a folder per capture with
// the expected Events.csv, ARP.csv and, where the capture holds neighbour discovery, NDP.csv
// (tools/update-capture-goldens.sh writes them). Among them the capture that once made decoders
// read out of bounds, an IP conflict with flip flops, an ARP ping scan, and IPv6 duplicate
// address detection.
TEST(ThirdPartyCaptures, PinnedCapturesGiveTheirGoldenFilesByteForByte) {
    int pinned = 0;
    for (const auto& golden : std::filesystem::directory_iterator(KEPT / "golden")) {
        const std::string name = golden.path().filename().string();
        ++pinned;
        test::TempFolder data;
        const auto run = test::runWatcher("--data-dir " + data.path().string() + " --read " +
                                          (KEPT / name).string());
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        const std::string events = test::readText(golden.path() / "Events.csv");
        EXPECT_EQ(test::readText(data / "Events.csv"), events) << name;
        EXPECT_EQ(test::readText(data / ARP_CSV_FILE_NAME),
                  test::readText(golden.path() / ARP_CSV_FILE_NAME))
            << name;
        if (std::filesystem::exists(golden.path() / NDP_CSV_FILE_NAME)) {
            EXPECT_EQ(test::readText(data / NDP_CSV_FILE_NAME),
                      test::readText(golden.path() / NDP_CSV_FILE_NAME))
                << name;
        } else { // no IPv6 file where the capture holds no neighbour discovery
            EXPECT_FALSE(std::filesystem::exists(data / NDP_CSV_FILE_NAME)) << name;
            EXPECT_FALSE(std::filesystem::exists(data / STATION6_FILE_NAME)) << name;
        }
        // The watcher prints each journaled line as it is written.
        std::string printed = events.substr(events.find("\r\n") + 2);
        printed.erase(std::remove(printed.begin(), printed.end(), '\r'), printed.end());
        EXPECT_EQ(run.out, printed) << name;
    }
    EXPECT_GE(pinned, 6);
}

TEST(ThirdPartyCaptures, NdpCsvSaysWhatTsharkDecodes) {
    if (test::shell("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (./test installs it)";
    }
    int judged = 0;
    for (const auto& golden : std::filesystem::directory_iterator(KEPT / "golden")) {
        if (!std::filesystem::exists(golden.path() / NDP_CSV_FILE_NAME)) {
            continue;
        }
        ++judged;
        const std::string name = golden.path().filename().string();
        test::TempFolder out;
        EXPECT_EQ(test::ndpCsvLines(test::readText(golden.path() / NDP_CSV_FILE_NAME)),
                  test::tsharkNdpLines(KEPT / name, out / "tshark.txt"))
            << name;
    }
    EXPECT_EQ(judged, 3);
}

TEST(ThirdPartyCaptures, OtherLinkTypesAreRefusedByName) {
    for (const auto& [file, linkType] : FOREIGN_CAPTURES) {
        const auto path = findCapture(file);
        if (!path) {
            continue;
        }
        test::TempFolder data;
        const auto run =
            test::runWatcher("--data-dir " + data.path().string() + " --read " + path->string());
        EXPECT_EQ(run.status, 1) << file;
        EXPECT_NE(run.err.find(std::string(linkType) + " is not Ethernet"), std::string::npos)
            << file << ": " << run.err;
    }
}

} // namespace
} // namespace qv
