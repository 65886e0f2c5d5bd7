#include "engine/arp_frame.h"

#include <array>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/arp_frames.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

// The frame contract is the type: fewer than 42 bytes, or bytes of unknown extent, cannot be
// handed to the detector, the log or a view.
static_assert(std::is_convertible_v<const std::array<std::uint8_t, 42>&, ArpFrameBytes>);
static_assert(!std::is_convertible_v<const std::array<std::uint8_t, 41>&, ArpFrameBytes>);
static_assert(!std::is_convertible_v<std::span<const std::uint8_t>, ArpFrameBytes>);

TEST(IsArpFrame, AcceptsOnlyEthernetArpForIpv4) {
    const auto good = arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY);
    EXPECT_TRUE(isArpFrame(good));
    const std::pair<std::size_t, std::uint8_t> broken[] = {
        {12, 0x81}, {13, 0x35}, {14, 0x01}, {15, 0x06}, {16, 0x86}, {17, 0x01}, {18, 8}, {19, 6},
    };
    for (auto [offset, value] : broken) {
        auto f = good;
        f[offset] = value;
        EXPECT_FALSE(isArpFrame(f)) << offset;
    }
    EXPECT_FALSE(isArpFrame(std::span(good.data(), 19)));
    EXPECT_TRUE(isArpFrame(std::span(good.data(), 20)));
}

TEST(ArpFrameView, ReadsTheFieldsInNetworkOrder) {
    const auto f = fromHex("ffffffffffff 001b213a4f10 0806 0001 0800 06 04 0002"
                           "000c293a4b5c c0a80007 001b213a4f10 c0a80001");
    ASSERT_EQ(f.size(), ARP_FRAME_SIZE);
    const ArpFrameView v(std::span<const std::uint8_t>(f).first<ARP_FRAME_SIZE>());
    EXPECT_EQ(v.ethernetSource(), MAC_A);
    EXPECT_EQ(v.operation(), ARP_REPLY);
    EXPECT_EQ(v.senderMac(), MAC_B);
    EXPECT_EQ(v.senderIp(), IP7);
    EXPECT_EQ(v.targetMac(), MAC_A);
    EXPECT_EQ(v.targetIp(), GATEWAY);
}

} // namespace
} // namespace qv
