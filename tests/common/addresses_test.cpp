#include "common/addresses.h"

#include <cstdio>

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

} // namespace
} // namespace qv
