// Neighbour discovery messages through the detector: the binding each states, its NDP.csv line,
// the Ethernet checks, and the scan pass's counting of solicitations.

#include <gtest/gtest.h>

#include "engine/ndp_record.h"
#include "tests/support/engine_harness.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

using Events = std::vector<std::pair<std::string, std::string>>;

const IPv6Address ALL_NODES{0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
const IPv6Address ALL_ROUTERS{0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};

NdpFrameFields solicitation(const IPv6Address& source, std::vector<std::uint8_t> options) {
    NdpFrameFields f;
    f.ethernetSource = MAC_B;
    f.source = source;
    f.destination = solicitedNode(1);
    f.target = linkLocal(1);
    f.options = std::move(options);
    return f;
}

NdpFrameFields advertisement(std::vector<std::uint8_t> options) {
    NdpFrameFields f;
    f.type = NdpType::NeighbourAdvertisement;
    f.ethernetSource = MAC_B;
    f.source = linkLocal(7);
    f.destination = linkLocal(1);
    f.target = linkLocal(7);
    f.flags = 0x60; // solicited, override
    f.options = std::move(options);
    return f;
}

NdpFrameFields router(NdpType type, std::vector<std::uint8_t> options) {
    NdpFrameFields f;
    f.type = type;
    f.ethernetSource = MAC_B;
    f.source = linkLocal(7);
    f.destination = type == NdpType::RouterSolicitation ? ALL_ROUTERS : ALL_NODES;
    f.options = std::move(options);
    return f;
}

struct BindingCase {
    const char* what;
    NdpFrameFields frame;
    std::optional<std::pair<IPv6Address, MacAddress>> binding;
    const char* line; // NDP.csv's line after the date-time
};

const std::string A = MACToText(MAC_A);
const std::string B = MACToText(MAC_B);

TEST(NdpDetector, EachMessageBindsItsAddressAndLogsItsLine) {
    const BindingCase cases[] = {
        {"advertisement: the target option", advertisement(linkLayerOption(2, MAC_A)),
         std::pair{linkLocal(7), MAC_A}, "advertisement;fe80::7;B;fe80::7;A"},
        {"advertisement without option: the Ethernet source", advertisement({}),
         std::pair{linkLocal(7), MAC_B}, "advertisement;fe80::7;B;fe80::7;"},
        {"solicitation: the source option", solicitation(global(7), linkLayerOption(1, MAC_A)),
         std::pair{global(7), MAC_A}, "solicitation;2001:db8::7;A;fe80::1;"},
        {"solicitation without option", solicitation(global(7), {}), std::pair{global(7), MAC_B},
         "solicitation;2001:db8::7;B;fe80::1;"},
        {"duplicate address detection: logged, never bound", solicitation(UNSPECIFIED_IPV6, {}),
         std::nullopt, "solicitation;::;B;fe80::1;"},
        {"router solicitation", router(NdpType::RouterSolicitation, linkLayerOption(1, MAC_A)),
         std::pair{linkLocal(7), MAC_A}, "router solicitation;fe80::7;A;;"},
        {"router advertisement without option", router(NdpType::RouterAdvertisement, {}),
         std::pair{linkLocal(7), MAC_B}, "router advertisement;fe80::7;B;;"},
    };
    for (const BindingCase& c : cases) {
        EngineHarness h;
        ASSERT_TRUE(h.ndpFrame(ndpFrame(c.frame))) << c.what;
        auto table = h.table6->lock();
        ASSERT_EQ(table.count(), c.binding ? 1 : 0) << c.what;
        if (c.binding) {
            EXPECT_EQ(table.record(0).ip, c.binding->first) << c.what;
            EXPECT_EQ(table.record(0).mac, c.binding->second) << c.what;
            EXPECT_EQ(table.record(0).lastUpdate, h.clock.now()) << c.what;
        }
        std::string line = c.line;
        for (auto at = line.find(";A"); at != std::string::npos; at = line.find(";A")) {
            line.replace(at + 1, 1, A);
        }
        for (auto at = line.find(";B"); at != std::string::npos; at = line.find(";B")) {
            line.replace(at + 1, 1, B);
        }
        EXPECT_EQ(h.ndpCsv(),
                  std::string(ARP_CSV_HEADER) + "\r\n12/06/26 18:01:52;" + line + "\r\n")
            << c.what;
        // The live log keeps what the views and the scan pass read of it.
        auto log = h.liveLog->lock();
        ASSERT_EQ(log.count(), 1) << c.what;
        ASSERT_EQ(log.row(0).family, LogFamily::Ndp);
        const NdpRecordView record(log.row(0).frame);
        EXPECT_EQ(record.type(), c.frame.type) << c.what;
        EXPECT_EQ(record.source(), c.frame.source) << c.what;
        if (c.binding) {
            EXPECT_EQ(record.ip(), c.binding->first) << c.what;
            EXPECT_EQ(record.mac(), c.binding->second) << c.what;
        }
    }
}

// The checks of the ARP path: a link-layer option of all ones or all zeros is a broadcast, a
// source option other than the Ethernet source a mismatch; an advertisement's target option may
// name another interface (a proxy's answer).
TEST(NdpDetector, TheEthernetChecksApply) {
    const std::string broadcast = "The source mac(" + B +
                                  ") or arp ethernet address(FF-FF-FF-FF-FF-FF) was all ones or "
                                  "all zeros.";
    const std::string mismatch = "The source mac ethernet address(" + B +
                                 ") didn`t match the address inside the arp packet(";
    const struct {
        const char* what;
        NdpFrameFields frame;
        Events events;
    } cases[] = {
        {"an all-ones source option",
         solicitation(global(7), linkLayerOption(1, BROADCAST_MAC)),
         {{"Ethernet broadcast", broadcast},
          {"Ethernet mismatch", mismatch + "FF-FF-FF-FF-FF-FF)."},
          {"New station", "2001:db8::7, hwaddr: FF-FF-FF-FF-FF-FF"}}},
        {"another source option",
         solicitation(global(7), linkLayerOption(1, MAC_A)),
         {{"Ethernet mismatch", mismatch + A + ")."},
          {"New station", "2001:db8::7, hwaddr: " + A}}},
        {"another target option",
         advertisement(linkLayerOption(2, MAC_A)),
         {{"New station", "fe80::7, hwaddr: " + A}}},
        {"an all-zero target option",
         advertisement(linkLayerOption(2, ZERO_MAC)),
         {{"Ethernet broadcast",
           "The source mac(" + B +
               ") or arp ethernet address(00-00-00-00-00-00) was all ones or all zeros."},
          {"New station", "fe80::7, hwaddr: 00-00-00-00-00-00"}}},
    };
    for (const auto& c : cases) {
        EngineHarness h;
        ASSERT_TRUE(h.ndpFrame(ndpFrame(c.frame))) << c.what;
        EXPECT_EQ(h.announcer.events, c.events) << c.what;
    }
}

// Every solicitation of a binding counts towards a scan, with the thresholds and texts of ARP
// requests; those of duplicate address detection and the other messages never count, and the
// ignore list, of IPv4 addresses, ignores no IPv6 binding.
TEST(NdpDetector, SolicitationsCountTowardsAScan) {
    const auto sweep = [](EngineHarness& h, NdpFrameFields f, int count) {
        for (int i = 0; i < count; ++i) {
            f.target = global(static_cast<std::uint16_t>(100 + i));
            if (f.type == NdpType::NeighbourSolicitation) {
                f.destination = solicitedNode(static_cast<std::uint16_t>(100 + i));
            }
            ASSERT_TRUE(h.ndpFrame(ndpFrame(f)));
            h.advance(0.005);
        }
        h.scans.detectScans();
    };
    const auto scans = [](const EngineHarness& h) {
        std::vector<std::string> details;
        for (const auto& [type, text] : h.announcer.events) {
            if (type == "Network scanning") {
                details.push_back(text);
            }
        }
        return details;
    };
    EngineHarness h;
    h.settings.update([](Settings& s) {
        s.IgnoreList[0] = SCANNER;
        s.IgnoreCount = 1;
    });
    sweep(h, solicitation(linkLocal(9), linkLayerOption(1, MAC_B)), 100);
    EXPECT_TRUE(scans(h).empty()); // at the threshold, not over it
    sweep(h, solicitation(linkLocal(9), linkLayerOption(1, MAC_B)), 1);
    EXPECT_EQ(scans(h),
              std::vector<std::string>{"Host fe80::9\n(MAC: " + B + ") generated 101 requests."});
    ASSERT_EQ(h.announcer.announced.back().ip, IPAddress(linkLocal(9)));

    EngineHarness quiet;
    sweep(quiet, solicitation(UNSPECIFIED_IPV6, {}), 150);
    sweep(quiet, advertisement(linkLayerOption(2, MAC_B)), 150);
    sweep(quiet, router(NdpType::RouterSolicitation, {}), 150);
    EXPECT_TRUE(scans(quiet).empty());
}

// An IPv4 binding and an IPv6 one of the same MAC live in their own tables: neither is news to
// the other, and a scan of one family is counted apart from the other's.
TEST(NdpDetector, TheFamiliesKeepTheirOwnTables) {
    EngineHarness h;
    h.frame(arpFrame(ARP_REQUEST, MAC_B, SCANNER, ZERO_MAC, GATEWAY));
    ASSERT_TRUE(h.ndpFrame(ndpFrame(solicitation(linkLocal(9), linkLayerOption(1, MAC_B)))));
    EXPECT_EQ((Events{{"New station", "10.0.0.9, hwaddr: " + B},
                      {"New station", "fe80::9, hwaddr: " + B}}),
              h.announcer.events);
    EXPECT_EQ(h.table.lock().count(), 1);
    EXPECT_EQ(h.table6->lock().count(), 1);
    for (int i = 0; i < 60; ++i) {
        h.frame(arpFrame(ARP_REQUEST, MAC_B, SCANNER, ZERO_MAC, {10, 0, 1, 1}));
        ASSERT_TRUE(h.ndpFrame(ndpFrame(solicitation(linkLocal(9), linkLayerOption(1, MAC_B)))));
    }
    h.scans.detectScans();
    EXPECT_EQ(h.announcer.events.size(), 2u); // 61 of each: neither over 100
}

} // namespace
} // namespace qv
