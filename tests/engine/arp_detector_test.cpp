#include "engine/arp_detector.h"

#include <filesystem>
#include <limits>

#include <gtest/gtest.h>

#include "common/byte_order.h"

#include "events/event_kind.h"
#include "tests/support/engine_harness.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

using Events = std::vector<std::pair<std::string, std::string>>;

struct Binding {
    IPv4Address ip;
    MacAddress mac;
    double secondsAgo;
};

struct Case {
    const char* what;
    std::vector<Binding> table;
    IPv4Address ip;
    MacAddress mac;
    Events events;
    int stationsAfter;
};

// The classification of a binding against the table, one case per row of the classification.
const Case CLASSIFICATION[] = {
    {"a: new station", {}, IP7, MAC_A, {{"New station", "192.168.0.7, hwaddr: " + MAC_A_TEXT}}, 1},
    {"a: probe from 0.0.0.0", {}, ZERO_IP, MAC_A, {}, 0},
    {"b: changed ethernet address",
     {{IP7, MAC_A, 60}},
     IP7,
     MAC_B,
     {{"Changed ethernet address", "192.168.0.7 from " + MAC_A_TEXT + " to " + MAC_B_TEXT}},
     2},
    {"b: the latest holder is named",
     {{IP7, MAC_A, 90}, {IP7, MAC_C, 30}},
     IP7,
     MAC_B,
     {{"Changed ethernet address", "192.168.0.7 from 02-00-00-00-00-0C to " + MAC_B_TEXT}},
     3},
    {"c: new activity",
     {{IP7, MAC_A, 60}},
     IP9,
     MAC_A,
     {{"New activity", MAC_A_TEXT + ", ip: 192.168.0.9"}},
     2},
    {"c: probe from a known interface", {{IP7, MAC_A, 60}}, ZERO_IP, MAC_A, {}, 1},
    {"d: known binding", {{IP7, MAC_A, 60}}, IP7, MAC_A, {}, 1},
    {"e: flip flop of an interface with several addresses",
     {{TEN1, MAC_A, 60}, {TEN2, MAC_B, 60}, {TEN3, MAC_B, 60}},
     TEN1,
     MAC_B,
     {{"Flip flop", MAC_B_TEXT + " takes other's IP: 10.0.0.1"}},
     4},
    {"f: reused old ethernet address",
     {{TEN1, MAC_B, 120}, {TEN1, MAC_A, 60}},
     TEN1,
     MAC_B,
     {{"Reused old ethernet address", "10.0.0.1, hwaddr: " + MAC_B_TEXT}},
     2},
    {"g: flip flop of an interface seen once elsewhere",
     {{TEN1, MAC_A, 60}, {TEN2, MAC_B, 60}},
     TEN1,
     MAC_B,
     {{"Flip flop", MAC_B_TEXT + " takes other's IP: 10.0.0.1"}},
     3},
};

Settings allFlags(bool on) {
    Settings s = defaultSettings("/x/");
    for (const EventKindInfo& kind : EVENT_KINDS) {
        s.*kind.flag = on;
    }
    return s;
}

void runCase(test::EngineHarness& h, const Case& c) {
    for (const Binding& b : c.table) {
        h.station(b.ip, b.mac, b.secondsAgo);
    }
    h.frame(test::arpFrame(ARP_REQUEST, c.mac, c.ip, ZERO_MAC, GATEWAY));
}

TEST(ArpDetector, ClassifiesEachBindingWithItsFlagsOnAndOff) {
    for (const Case& c : CLASSIFICATION) {
        test::EngineHarness on(allFlags(true));
        test::EngineHarness off(allFlags(false));
        runCase(on, c);
        runCase(off, c);
        EXPECT_EQ(on.announcer.events, c.events) << c.what;
        EXPECT_TRUE(off.announcer.events.empty()) << c.what;
        // The flags change nothing but the events.
        auto tableOn = on.table.lock();
        auto tableOff = off.table.lock();
        EXPECT_EQ(tableOn.count(), c.stationsAfter) << c.what;
        EXPECT_EQ(tableOn.image(), tableOff.image()) << c.what;
        EXPECT_EQ(on.csv(), off.csv()) << c.what;
        EXPECT_EQ(on.liveLog->lock().count(), 1) << c.what;
        EXPECT_EQ(off.liveLog->lock().count(), 1) << c.what;
        if (c.ip != ZERO_IP) {
            const int latest = tableOn.findLatestByIp(c.ip);
            ASSERT_NE(latest, NO_STATION) << c.what;
            EXPECT_EQ(tableOn.record(latest).mac, c.mac) << c.what;
            EXPECT_EQ(tableOn.record(latest).lastUpdate, on.clock.now()) << c.what;
        }
    }
}

// The same case for IPv6: each address becomes fe80:: with its last byte (:: for 0.0.0.0), in the
// bindings, the frame and the texts.
IPv6Address asIPv6(const IPv4Address& ip) {
    return ip == ZERO_IP ? UNSPECIFIED_IPV6 : linkLocal(ip[3]);
}

std::string inIPv6(std::string text, const Case& c) {
    std::vector<IPv4Address> addresses{c.ip};
    for (const Binding& b : c.table) {
        addresses.push_back(b.ip);
    }
    for (const IPv4Address& ip : addresses) {
        const std::string from = IPToText(ip);
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            text.replace(at, from.size(), IPv6ToText(asIPv6(ip)));
        }
    }
    return text;
}

// An unsolicited advertisement of the binding with its target link-layer option; for the
// unspecified address, duplicate address detection's solicitation.
std::vector<std::uint8_t> ndpFrameOf(const IPv6Address& ip, const MacAddress& mac) {
    NdpFrameFields f;
    f.ethernetSource = mac;
    if (ip == UNSPECIFIED_IPV6) {
        f.type = NdpType::NeighbourSolicitation;
        f.destination = solicitedNode(1);
        f.target = linkLocal(1);
    } else {
        f.type = NdpType::NeighbourAdvertisement;
        f.source = ip;
        f.destination = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        f.target = ip;
        f.flags = 0x20; // override
        f.options = linkLayerOption(2, mac);
    }
    return ndpFrame(f);
}

TEST(ArpDetector, NeighbourDiscoveryIsClassifiedByTheSameRules) {
    for (const Case& c : CLASSIFICATION) {
        test::EngineHarness h(allFlags(true));
        for (const Binding& b : c.table) {
            h.table6->lock().touchStation(asIPv6(b.ip), b.mac,
                                          h.clock.now() - b.secondsAgo / SECONDS_PER_DAY);
        }
        ASSERT_TRUE(h.ndpFrame(ndpFrameOf(asIPv6(c.ip), c.mac))) << c.what;
        Events expected;
        for (const auto& [type, details] : c.events) {
            expected.emplace_back(type, inIPv6(details, c));
        }
        EXPECT_EQ(h.announcer.events, expected) << c.what;
        EXPECT_EQ(h.table6->lock().count(), c.stationsAfter) << c.what;
        EXPECT_EQ(h.table.lock().count(), 0) << c.what;
        ASSERT_EQ(h.liveLog->lock().count(), 1) << c.what;
        EXPECT_EQ(h.liveLog->lock().row(0).family, LogFamily::Ndp) << c.what;
        EXPECT_FALSE(std::filesystem::exists(h.folder.folder() / ARP_CSV_FILE_NAME)) << c.what;
        for (const Event& e : h.announcer.announced) {
            if (e.ip) {
                EXPECT_EQ(*e.ip, IPAddress(asIPv6(c.ip))) << c.what;
            }
        }
    }
}

TEST(ArpDetector, EachFlagEnablesOnlyItsOwnKind) {
    for (const Case& c : CLASSIFICATION) {
        if (c.events.empty()) {
            continue;
        }
        for (const EventKindInfo& kind : EVENT_KINDS) {
            Settings s = allFlags(true);
            s.*kind.flag = 0;
            test::EngineHarness h(s);
            runCase(h, c);
            const bool silenced = c.events[0].first == kind.text;
            EXPECT_EQ(h.announcer.events.empty(), silenced) << c.what << " / " << kind.text;
        }
    }
}

TEST(ArpDetector, TheSameFrameAgainRaisesNothingAndRefreshesTheBinding) {
    test::EngineHarness h;
    const auto f = test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY);
    h.frame(f);
    h.advance(5);
    h.frame(f);
    EXPECT_EQ(h.announcer.events.size(), 1u);
    auto t = h.table.lock();
    ASSERT_EQ(t.count(), 1);
    EXPECT_EQ(t.record(0).lastUpdate, h.clock.now());
}

TEST(ArpDetector, BroadcastAndMismatchComeBeforeTheBindingEvent) {
    test::EngineHarness h;
    h.frame(test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY, &BROADCAST_MAC));
    const Events expected = {
        {"Ethernet broadcast", "The source mac(FF-FF-FF-FF-FF-FF) or arp ethernet address(" +
                                   MAC_A_TEXT + ") was all ones or all zeros."},
        {"Ethernet mismatch", "The source mac ethernet address(FF-FF-FF-FF-FF-FF) didn`t match "
                              "the address inside the arp packet(" +
                                  MAC_A_TEXT + ")."},
        {"New station", "192.168.0.7, hwaddr: " + MAC_A_TEXT},
    };
    EXPECT_EQ(h.announcer.events, expected);
}

TEST(ArpDetector, AnAllZeroSenderIsABroadcastButNoMismatch) {
    test::EngineHarness h;
    h.frame(test::arpFrame(ARP_REPLY, ZERO_MAC, IP9, MAC_A, IP7));
    ASSERT_EQ(h.announcer.events.size(), 2u);
    EXPECT_EQ(h.announcer.events[0].first, "Ethernet broadcast");
    EXPECT_EQ(h.announcer.events[1].first, "New station");
}

TEST(ArpDetector, EveryFrameGetsItsLogEntryAndCsvLine) {
    test::EngineHarness h;
    h.frame(test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY));
    h.advance(1);
    h.frame(test::arpFrame(ARP_REPLY, MAC_B, GATEWAY, MAC_A, IP7));
    auto reverse = test::arpFrame(3, MAC_A, ZERO_IP, MAC_A, ZERO_IP);
    h.frame(reverse);
    h.frame(test::arpFrame(0x0204, MAC_B, GATEWAY, MAC_A, IP7));
    EXPECT_EQ(h.csv(), std::string(ARP_CSV_HEADER) +
                           "\r\n"
                           "12/06/26 18:01:52;request;192.168.0.7;00-1B-21-3A-4F-10;192.168.0.1;"
                           "00-00-00-00-00-00\r\n"
                           "12/06/26 18:01:53;response;192.168.0.1;00-0C-29-3A-4B-5C;192.168.0.7;"
                           "00-1B-21-3A-4F-10\r\n"
                           "12/06/26 18:01:53;;0.0.0.0;00-1B-21-3A-4F-10;0.0.0.0;"
                           "00-1B-21-3A-4F-10\r\n"
                           "12/06/26 18:01:53;;192.168.0.1;00-0C-29-3A-4B-5C;192.168.0.7;"
                           "00-1B-21-3A-4F-10\r\n");
    auto log = h.liveLog->lock();
    ASSERT_EQ(log.count(), 4);
    EXPECT_TRUE(std::equal(reverse.begin(), reverse.end(), log.row(2).frame.begin()));
    EXPECT_NEAR(ageInSeconds(h.clock.now(), log.row(0).time), 1.0, 1e-4);
}

// A time that only a damaged ipmac.dat can hold never makes its record the latest: the change of
// address is reported once, and the new address is the holder from then on.
TEST(ArpDetector, ARecordWithADamagedTimeIsNeverTheLatest) {
    for (double damaged : {std::numeric_limits<double>::infinity(), 1e300,
                           std::numeric_limits<double>::quiet_NaN()}) {
        test::EngineHarness h;
        h.station(IP7, MAC_A, 120);
        h.station(IP7, MAC_C, 60);
        {
            auto t = h.table.lock();
            auto image = t.image();
            storeLeDouble(&image[4 + 16], damaged); // MAC_A's last update
            t.loadImagePrefix(image);
        }
        h.frame(test::arpFrame(ARP_REQUEST, MAC_B, IP7, ZERO_MAC, GATEWAY));
        h.advance(1);
        h.frame(test::arpFrame(ARP_REQUEST, MAC_B, IP7, ZERO_MAC, GATEWAY));
        const Events expected = {
            {"Changed ethernet address", "192.168.0.7 from 02-00-00-00-00-0C to " + MAC_B_TEXT}};
        EXPECT_EQ(h.announcer.events, expected) << damaged;
    }
}

} // namespace
} // namespace qv
