#include "tables/arp_log_rows.h"

#include <gtest/gtest.h>

#include "tests/support/arp_frames.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

Frame42 numbered(std::uint32_t n) {
    return arpFrame(ARP_REQUEST, MAC_A,
                    {10, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
                     static_cast<std::uint8_t>(n)},
                    ZERO_MAC, GATEWAY);
}

std::uint32_t numberOf(const ArpLogEntry& entry) {
    const IPv4Address ip = ArpFrameView(entry.frame).senderIp();
    return static_cast<std::uint32_t>(ip[1] << 16 | ip[2] << 8 | ip[3]);
}

// Packets 0 to 8194 went in; the newest five are kept: slots 8190, 8191, 0, 1 and 2.
TEST(ArpLogRows, AWrappedLogShowsItsPacketsOldestFirst) {
    auto five = std::make_unique<ArpLogRing>();
    for (std::uint32_t n = 0; n < ARP_LOG_SLOTS + 3; ++n) {
        five->lock().appendArpLog(numbered(n), n < ARP_LOG_SLOTS - 2 ? 45999.0 : 46000.0);
    }
    auto small = five->lock();
    small.countRecent(10, true, 46000.0);
    ASSERT_EQ(small.count(), 5);
    ASSERT_EQ(small.writePosition(), 3);
    ArpLogRows rows;
    rows.follow(small);
    ASSERT_EQ(rows.count(), 5);
    const std::uint32_t expected[] = {8190, 8191, 8192, 8193, 8194};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(numberOf(*rows.entry(small, r)), expected[r]) << r;
    }
    EXPECT_FALSE(rows.entry(small, 5));
    EXPECT_FALSE(rows.entry(small, -1));
}

// A refresh trims rows at the top and adds rows at the bottom; a row stays on its packet.
TEST(ArpLogRows, RowsFollowTheirPacketsAcrossTrimsAndAppends) {
    auto ring = std::make_unique<ArpLogRing>();
    ArpLogRows rows;
    {
        auto log = ring->lock();
        for (std::uint32_t n = 0; n < 10; ++n) {
            log.appendArpLog(numbered(n), n < 4 ? 100.0 : 200.0);
        }
        EXPECT_EQ(rows.follow(log).addedAtBottom, 10);
    }
    auto log = ring->lock();
    log.countRecent(ARP_LOG_WINDOW_SECONDS, true, 200.0); // the four of day 100 go
    log.appendArpLog(numbered(10), 200.0);
    log.appendArpLog(numbered(11), 200.0);
    // Before the rows follow, row 4 still shows packet 4, and the trimmed rows show nothing.
    EXPECT_FALSE(rows.entry(log, 0));
    EXPECT_EQ(numberOf(*rows.entry(log, 4)), 4u);
    const ArpLogRows::Change change = rows.follow(log);
    EXPECT_FALSE(change.replaced);
    EXPECT_EQ(change.removedAtTop, 4);
    EXPECT_EQ(change.addedAtBottom, 2);
    EXPECT_EQ(rows.count(), 8);
    EXPECT_EQ(numberOf(*rows.entry(log, 0)), 4u);
    EXPECT_EQ(numberOf(*rows.entry(log, 7)), 11u);
}

TEST(ArpLogRows, ALockedCopyKeepsTheSameRows) {
    auto live = std::make_unique<ArpLogRing>();
    auto locked = std::make_unique<ArpLogRing>();
    ArpLogRows rows;
    for (std::uint32_t n = 0; n < 20; ++n) {
        live->lock().appendArpLog(numbered(n), 100.0);
    }
    rows.follow(live->lock());
    live->lock().copyTo(*locked);
    const auto change = rows.follow(locked->lock());
    EXPECT_EQ(change.removedAtTop + change.addedAtBottom, 0);
    EXPECT_FALSE(change.replaced);
    EXPECT_EQ(numberOf(*rows.entry(locked->lock(), 19)), 19u);
}

TEST(ArpSentence, TheFourFormsOfTheSimpleView) {
    const IPv4Address five{10, 0, 0, 5};
    const IPv4Address one{10, 0, 0, 1};
    const MacAddress card{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    const struct {
        Frame42 frame;
        const char* sentence;
    } cases[] = {
        {arpFrame(ARP_REQUEST, MAC_A, five, BROADCAST_MAC, one),
         "Who has 10.0.0.5? Gratuitous ARP!"},
        {arpFrame(ARP_REQUEST, MAC_A, five, ZERO_MAC, five), "Who has 10.0.0.5? Gratuitous ARP!"},
        {arpFrame(ARP_REQUEST, MAC_A, five, ZERO_MAC, one), "Who has 10.0.0.1? Tell 10.0.0.5"},
        {arpFrame(ARP_REPLY, card, one, MAC_A, five), "10.0.0.1 is at 00-11-22-33-44-55"},
        {arpFrame(3, card, one, MAC_A, five), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(arpSentence(ArpFrameView(c.frame)), c.sentence);
    }
    ArpLogEntry entry{};
    entry.frame = cases[3].frame;
    entry.time = encodeDateTime({2026, 12, 6, 18, 1, 52, 0});
    const auto texts = arpDetailTexts(entry);
    EXPECT_EQ(texts[0], "12/06/26 18:01:52");
    EXPECT_EQ(texts[1], "response");
    EXPECT_EQ(texts[2], "10.0.0.1");
    EXPECT_EQ(texts[3], "00-11-22-33-44-55");
    EXPECT_EQ(texts[4], "10.0.0.5");
    EXPECT_EQ(texts[5], MAC_A_TEXT);
}

} // namespace
} // namespace qv
