#include "common/addresses.h"

#include <algorithm>
#include <cstdio>

#include <arpa/inet.h>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(AddressText, RendersAddressesAndOperations) {
    EXPECT_EQ(IPToText({192, 168, 0, 7}), "192.168.0.7");
    EXPECT_EQ(IPToText({0, 0, 0, 0}), "0.0.0.0");
    EXPECT_EQ(IPToText({255, 255, 255, 255}), "255.255.255.255");
    EXPECT_EQ(MACToText({0x00, 0x1B, 0x21, 0x3A, 0x4F, 0x10}), "00-1B-21-3A-4F-10");
    EXPECT_EQ(MACToText(BROADCAST_MAC), "FF-FF-FF-FF-FF-FF");
    EXPECT_EQ(ARPOperationText(1), "request");
    EXPECT_EQ(ARPOperationText(2), "response");
    for (std::uint16_t other : {0, 3, 4, 256, 0xFFFF}) {
        EXPECT_EQ(ARPOperationText(other), "") << other;
    }
}

// The hand-made texts are the C library's, for every byte value.
TEST(AddressText, EveryByteValueReadsAsPrintfWouldWriteIt) {
    for (int v = 0; v < 256; ++v) {
        const auto b = static_cast<std::uint8_t>(v);
        char ip[16];
        std::snprintf(ip, sizeof ip, "%d.%d.%d.%d", v, 255 - v, v / 2, 0);
        EXPECT_EQ(
            IPToText({b, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v / 2), 0}),
            ip);
        char mac[18];
        std::snprintf(mac, sizeof mac, "%2.2X-%2.2X-%2.2X-%2.2X-%2.2X-%2.2X", v, 255 - v, 0, 15, 16,
                      v);
        EXPECT_EQ(MACToText({b, static_cast<std::uint8_t>(255 - v), 0, 15, 16, b}), mac);
    }
}

IPv6Address v6(std::initializer_list<unsigned> groups) {
    IPv6Address ip{};
    std::size_t i = 0;
    for (unsigned g : groups) {
        ip[i++] = static_cast<std::uint8_t>(g >> 8);
        ip[i++] = static_cast<std::uint8_t>(g);
    }
    return ip;
}

TEST(AddressText, IPv6TextsAreTheRecommendedOnes) {
    const struct {
        IPv6Address ip;
        const char* text;
    } cases[] = {
        {UNSPECIFIED_IPV6, "::"},
        {v6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
        {v6({0xfe80, 0, 0, 0, 0, 0, 0, 1}), "fe80::1"},
        {v6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0}), "2001:db8::"},
        // one zero group stays; the longest run goes, the first of two equal ones
        {v6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1"},
        {v6({0x2001, 0, 0, 1, 0, 0, 0, 1}), "2001:0:0:1::1"},
        {v6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1"},
        {v6({0xFF02, 0, 0, 0, 0, 1, 0xFF00, 0x00AB}), "ff02::1:ff00:ab"},
        {v6({0xABCD, 0x0BCD, 0x00CD, 0x000D, 1, 2, 3, 4}), "abcd:bcd:cd:d:1:2:3:4"},
        {v6({0, 0, 0, 0, 0, 0xFFFF, 0xC000, 0x0201}), "::ffff:192.0.2.1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IPv6ToText(c.ip), c.text);
    }
}

// Against the C library, which writes the same texts but for addresses whose first six groups
// are zero (it writes their last two as an IPv4 address, which the recommendation does not).
TEST(AddressText, IPv6TextsAgreeWithTheCLibrary) {
    std::uint32_t seed = 1;
    for (int n = 0; n < 20'000; ++n) {
        IPv6Address ip{};
        for (std::size_t g = 0; g < 8; ++g) {
            seed = seed * 1'103'515'245 + 12'345;
            if ((seed >> 16) % 3 != 0) { // mostly zero groups, to make runs of every length
                continue;
            }
            ip[2 * g] = static_cast<std::uint8_t>(seed >> 24);
            ip[2 * g + 1] = static_cast<std::uint8_t>(seed >> 8);
        }
        if (std::all_of(ip.begin(), ip.begin() + 12, [](std::uint8_t b) { return b == 0; })) {
            continue;
        }
        char text[INET6_ADDRSTRLEN];
        ASSERT_NE(inet_ntop(AF_INET6, ip.data(), text, sizeof text), nullptr);
        ASSERT_EQ(IPv6ToText(ip), text);
    }
}

} // namespace
} // namespace qv
