#include "engine/scan_detector.h"

#include <limits>

#include <gtest/gtest.h>

#include "tests/support/engine_harness.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

const std::string SCAN_101 = "Host 10.0.0.9\n(MAC: 00-0C-29-3A-4B-5C) generated 101 requests.";

class ScanDetection : public ::testing::Test {
protected:
    // `count` frames from the scanner spread over `seconds` of the clock, then one pass.
    void send(int count, double seconds = 1.0, std::uint16_t operation = ARP_REQUEST,
              const MacAddress& targetMac = ZERO_MAC) {
        for (int i = 0; i < count; ++i) {
            h.frame(test::arpFrame(operation, MAC_B, SCANNER, targetMac,
                                   {10, 0, 1, static_cast<std::uint8_t>(i)}));
            h.advance(seconds / count);
        }
    }
    std::vector<std::string> scanEvents() const {
        std::vector<std::string> details;
        for (const auto& [type, text] : h.announcer.events) {
            if (type == "Network scanning") {
                details.push_back(text);
            }
        }
        return details;
    }
    StationRecord scanner() {
        auto t = h.table.lock();
        return t.record(t.findPair(SCANNER, MAC_B));
    }
    void setIgnoreList(std::initializer_list<IPv4Address> addresses, std::int32_t count) {
        h.settings.update([&](Settings& s) {
            std::copy(addresses.begin(), addresses.end(), s.IgnoreList.begin());
            s.IgnoreCount = count;
        });
    }

    test::EngineHarness h;
};

// The frames' events name their adapter; a scan, seen on two, names its newest request's.
TEST_F(ScanDetection, EventsNameTheAdapterOfTheirFrames) {
    h.detector.adapterNames().set(0, "eth0");
    h.detector.adapterNames().set(3, "wlan3");
    for (int i = 0; i < 101; ++i) {
        h.detector.processArpFrame(test::arpFrame(ARP_REQUEST, MAC_B, SCANNER, ZERO_MAC,
                                                  {10, 0, 1, static_cast<std::uint8_t>(i)}),
                                   i < 60 ? 3 : 0);
        h.advance(0.01);
    }
    h.detector.processArpFrame(test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY), 3);
    h.scans.detectScans();
    ASSERT_EQ(h.announcer.announced.size(), 3u);
    const Event& station = h.announcer.announced[0];
    EXPECT_EQ(station.kind, EventKind::NewStation);
    EXPECT_EQ(station.adapter, "wlan3");
    EXPECT_EQ(station.ip, IPAddress{SCANNER});
    EXPECT_EQ(station.mac, MAC_B);
    EXPECT_EQ(h.announcer.announced[1].adapter, "wlan3");
    const Event& scan = h.announcer.announced[2];
    EXPECT_EQ(scan.kind, EventKind::NetworkScanning);
    EXPECT_EQ(scan.adapter, "eth0"); // its last 41 requests came through eth0
    EXPECT_EQ(scan.ip, IPAddress{SCANNER});
    EXPECT_EQ(scan.mac, MAC_B);
    h.frame(test::arpFrame(ARP_REQUEST, {2, 0, 0, 0, 0, 9}, {10, 0, 0, 99}, ZERO_MAC, GATEWAY));
    EXPECT_EQ(h.announcer.announced.back().adapter, ""); // a frame of no adapter (a replay)
}

TEST_F(ScanDetection, MoreRequestsThanTheThresholdRaiseOneEvent) {
    send(100);
    h.scans.detectScans();
    EXPECT_TRUE(scanEvents().empty());
    EXPECT_EQ(scanner().requestCount, 100);
    EXPECT_EQ(scanner().lastScanning, 0.0);
    send(1);
    h.scans.detectScans();
    EXPECT_EQ(scanEvents(), std::vector<std::string>{SCAN_101});
    EXPECT_EQ(scanner().lastScanning, h.clock.now());
}

TEST_F(ScanDetection, ASteadyScannerIsReportedAgainOnlyAfterTenQuietSeconds) {
    send(101);
    h.scans.detectScans();
    for (int tick = 0; tick < 30; ++tick) { // keeps scanning: no further event
        send(10);
        h.scans.detectScans();
    }
    EXPECT_EQ(scanEvents().size(), 1u);
    // Quiet until the window holds no more than the threshold, then ten more seconds.
    for (int tick = 0; tick < 30; ++tick) {
        h.advance(1);
        h.scans.detectScans();
    }
    EXPECT_EQ(scanner().requestCount, 0);
    send(101);
    h.scans.detectScans();
    EXPECT_EQ(scanEvents().size(), 2u);
}

TEST_F(ScanDetection, ANewOverThresholdTickWithinTenSecondsStaysSilent) {
    send(101);
    h.scans.detectScans();
    h.advance(21); // the window empties
    h.scans.detectScans();
    send(101, 1.0);
    h.scans.detectScans(); // 23 s after the first verdict, but the second tick with no count
    EXPECT_EQ(scanEvents().size(), 2u);

    test::EngineHarness quick;
    for (int i = 0; i < 101; ++i) {
        quick.frame(test::arpFrame(ARP_REQUEST, MAC_B, SCANNER, ZERO_MAC, {10, 0, 1, 1}));
    }
    quick.scans.detectScans();
    quick.advance(9);
    quick.scans.detectScans(); // still over the threshold 9 s later: renews the stamp only
    quick.advance(9);
    quick.scans.detectScans();
    int events = 0;
    for (const auto& e : quick.announcer.events) {
        events += e.first == "Network scanning";
    }
    EXPECT_EQ(events, 1);
}

TEST_F(ScanDetection, IgnoredAddressesAreNeverReportedNorStamped) {
    setIgnoreList({{10, 0, 0, 1}, SCANNER}, 2);
    send(150);
    h.scans.detectScans();
    EXPECT_TRUE(scanEvents().empty());
    EXPECT_EQ(scanner().lastScanning, 0.0);
    // Only the first IgnoreCount entries are on the list; a damaged count is kept within it.
    setIgnoreList({{10, 0, 0, 1}, SCANNER}, 1);
    h.scans.detectScans();
    EXPECT_EQ(scanEvents().size(), 1u);
    setIgnoreList({SCANNER}, 100000);
    h.advance(11);
    send(150);
    h.scans.detectScans();
    EXPECT_EQ(scanEvents().size(), 1u);
}

TEST_F(ScanDetection, RepliesAndRequestsToAllOnesAreNotCounted) {
    send(150, 1.0, ARP_REQUEST, BROADCAST_MAC);
    send(150, 1.0, ARP_REPLY);
    h.scans.detectScans();
    EXPECT_TRUE(scanEvents().empty());
    EXPECT_EQ(scanner().requestCount, 0);
}

TEST_F(ScanDetection, RequestsOfADeletedPairCountOnlyOnceItIsBack) {
    send(150);
    h.table.lock().deleteStation(0);
    h.scans.detectScans();
    EXPECT_TRUE(scanEvents().empty());
    send(1); // the pair is added again, and its earlier requests are still in the window
    h.scans.detectScans();
    EXPECT_EQ(scanEvents().size(), 1u);
}

TEST_F(ScanDetection, WithDetectionOffTheLogIsStillTrimmed) {
    ScanDetector& scans = h.scans;
    send(150);
    scans.detectScans();
    ASSERT_EQ(scanEvents().size(), 1u);
    h.settings.setFlag(&Settings::DetectNetworkScanning, false);
    send(150);
    scans.detectScans();
    EXPECT_EQ(scanner().requestCount, 150); // counts keep the last value
    h.advance(ARP_LOG_WINDOW_SECONDS + 1);
    scans.detectScans();
    EXPECT_EQ(h.liveLog->lock().count(), 0);
    EXPECT_EQ(scanEvents().size(), 1u);
}

TEST_F(ScanDetection, TheWindowFollowsScanIntervalWithinTheLogsReach) {
    h.settings.setNumber(&Settings::ScanInterval, 200);
    send(120, 150.0); // 120 requests over 150 s
    h.scans.detectScans();
    EXPECT_EQ(scanner().requestCount, 120);
    h.settings.setNumber(&Settings::ScanInterval, 21); // requests 1.25 s apart: 16 of them
    h.scans.detectScans();
    EXPECT_EQ(scanner().requestCount, 16);
}

// A damaged time of the last report (read from ipmac.dat) must neither silence the scanner for
// ever (+inf, NaN) nor count as a recent report.
TEST_F(ScanDetection, ADamagedLastReportTimeCountsAsNeverReported) {
    send(1);
    std::size_t reports = 0;
    // Each round comes within ten seconds of the last report, which a valid time would hold off.
    for (double damaged : {std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        {
            auto t = h.table.lock();
            t.setLastScanning(t.findPair(SCANNER, MAC_B), damaged);
        }
        send(150);
        h.scans.detectScans();
        EXPECT_EQ(scanEvents().size(), ++reports) << damaged;
        EXPECT_EQ(scanner().lastScanning, h.clock.now()) << damaged;
    }
}

// The pass is idle once the log is empty, whatever the settings hold: the replay skips silent
// stretches on it.
TEST_F(ScanDetection, APassOnAnEmptyLogIsIdle) {
    send(150);
    EXPECT_FALSE(h.scans.detectScans());
    h.advance(ARP_LOG_WINDOW_SECONDS + 1);
    EXPECT_TRUE(h.scans.detectScans());
    EXPECT_EQ(scanner().requestCount, 0);
}

} // namespace
} // namespace qv
