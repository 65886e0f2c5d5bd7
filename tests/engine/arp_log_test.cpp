#include "engine/arp_log.h"

#include <memory>

#include <gtest/gtest.h>

#include "tests/support/arp_frames.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

constexpr TDateTime T0 = 46000.5;

double secondsLater(double seconds) {
    return T0 + seconds / SECONDS_PER_DAY;
}

// Frame number n carries n in its sender IP, so the tests can tell the entries apart.
test::Frame42 numbered(int n) {
    return test::arpFrame(1, MAC_A,
                          {10, 0, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
                          ZERO_MAC, {10, 0, 0, 1});
}

int numberOf(const ArpLogEntry& e) {
    return e.frame[30] << 8 | e.frame[31];
}

class ArpLogTest : public ::testing::Test {
protected:
    std::unique_ptr<ArpLogRing> ring = std::make_unique<ArpLogRing>();
};

TEST_F(ArpLogTest, AFullRingKeeps8191EntriesAndWraps) {
    auto log = ring->lock();
    for (int n = 1; n <= ARP_LOG_SLOTS; ++n) {
        EXPECT_EQ(log.appendArpLog(numbered(n), T0), std::min(n, ARP_LOG_SLOTS - 1));
    }
    EXPECT_EQ(log.count(), 8191);
    EXPECT_EQ(log.writePosition(), 0);
    EXPECT_EQ(numberOf(log.row(0)), 2);
    EXPECT_EQ(numberOf(log.row(8190)), 8192);
    EXPECT_EQ(numberOf(log.newest(0)), 8192);
    EXPECT_EQ(log.newest(0).time, T0);
}

TEST_F(ArpLogTest, RowsMapToSlotsAcrossTheWrap) {
    auto log = ring->lock();
    // 8195 appends leave the write position at 3; only the last five are recent.
    for (int n = 0; n < ARP_LOG_SLOTS + 3; ++n) {
        log.appendArpLog(numbered(n), n < ARP_LOG_SLOTS - 2 ? T0 : secondsLater(100));
    }
    ASSERT_EQ(log.writePosition(), 3);
    EXPECT_EQ(log.countRecent(50, true, secondsLater(100)), 5);
    const int expectedSlots[] = {8190, 8191, 0, 1, 2};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(&log.row(r), &log.slot(expectedSlots[r])) << r;
    }
}

TEST_F(ArpLogTest, CountRecentStopsAtTheFirstEntryTooOld) {
    auto log = ring->lock();
    EXPECT_EQ(log.countRecent(300, true, T0), 0);
    log.appendArpLog(numbered(1), secondsLater(0));   // 301 s old at the end
    log.appendArpLog(numbered(2), secondsLater(2));   // 299 s old
    log.appendArpLog(numbered(3), secondsLater(1));   // out of order: 300 s, still counted
    log.appendArpLog(numbered(4), secondsLater(301)); // new
    const TDateTime now = secondsLater(301);
    EXPECT_EQ(log.countRecent(300, false, now), 3);
    EXPECT_EQ(log.count(), 4);
    EXPECT_EQ(log.countRecent(300, true, now), 3);
    EXPECT_EQ(log.count(), 3);
    EXPECT_EQ(numberOf(log.row(0)), 2);
    // Trimming only lowers the count; the slot keeps its bytes.
    EXPECT_EQ(numberOf(log.slot(0)), 1);
    EXPECT_EQ(log.countRecent(0, false, now), 1);
}

TEST_F(ArpLogTest, ACopyIsTheLogOfOneMoment) {
    auto copy = std::make_unique<ArpLogRing>();
    {
        auto log = ring->lock();
        log.appendArpLog(numbered(7), T0);
        log.appendArpLog(numbered(8), T0);
        log.copyTo(*copy);
        log.appendArpLog(numbered(9), T0);
    }
    auto c = copy->lock();
    EXPECT_EQ(c.count(), 2);
    EXPECT_EQ(c.writePosition(), 2);
    EXPECT_EQ(numberOf(c.row(1)), 8);
}

} // namespace
} // namespace qv
