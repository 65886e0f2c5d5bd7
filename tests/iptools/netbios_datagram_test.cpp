#include "iptools/netbios_datagram.h"

#include <gtest/gtest.h>

#include "common/byte_order.h"

namespace qv {
namespace {

std::string text(const std::uint8_t* p, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

TEST(NetbiosName, UsesTheFirstLevelEncoding) {
    // RFC 1001's example: "FRED" padded with blanks.
    const auto fred = encodeNetbiosName("Fred", 0x20);
    EXPECT_EQ(fred[0], 0x20);
    EXPECT_EQ(text(&fred[1], 32), "EGFCEFEECACACACACACACACACACACACA");
    EXPECT_EQ(fred[33], 0);
    const auto messenger = encodeNetbiosName("10.0.0.5", NETBIOS_MESSENGER_SUFFIX);
    EXPECT_EQ(text(&messenger[1], 4), "DBDA"); // "10"
    EXPECT_EQ(text(&messenger[31], 2), "AD");  // suffix 0x03
    // Longer names are cut to 15 characters.
    const auto longName = encodeNetbiosName("ABCDEFGHIJKLMNOPQ", 0);
    EXPECT_EQ(text(&longName[29], 2), "EP"); // 'O', the 15th
    EXPECT_EQ(text(&longName[31], 2), "AA");
}

TEST(MailslotDatagram, CarriesAnSmbMailslotWriteOfTheData) {
    const std::vector<std::uint8_t> data = {'Q', 0, 'P', 0, 'x', 0};
    MailslotWrite write;
    write.datagramId = 0x1234;
    write.sourceIp = {10, 77, 0, 1};
    write.sourcePort = 138;
    write.sourceName = "host";
    write.destinationName = "pc1";
    write.data = data;
    const auto packet = buildMailslotDatagram(write);

    ASSERT_EQ(packet.size(), 14u + 68 + 87 + data.size());
    EXPECT_EQ(packet[0], 0x10); // direct unique datagram
    EXPECT_EQ(packet[1], 0x02); // first fragment
    EXPECT_EQ(loadBe16(&packet[2]), 0x1234);
    EXPECT_EQ(packet[4], 10);
    EXPECT_EQ(packet[7], 1);
    EXPECT_EQ(loadBe16(&packet[8]), 138);
    EXPECT_EQ(loadBe16(&packet[10]), packet.size() - 14);
    EXPECT_EQ(loadBe16(&packet[12]), 0);
    EXPECT_EQ(text(&packet[14 + 34 + 1], 6), "FAEDDB"); // "PC1"
    EXPECT_EQ(text(&packet[14 + 34 + 31], 2), "AD");

    const std::uint8_t* smb = &packet[14 + 68];
    EXPECT_EQ(text(smb, 4), "\xFFSMB");
    EXPECT_EQ(smb[4], 0x25);
    EXPECT_EQ(smb[32], 17);                          // word count
    EXPECT_EQ(loadLe16(&smb[33 + 2]), data.size());  // total data count
    EXPECT_EQ(loadLe16(&smb[33 + 22]), data.size()); // data count
    const std::uint16_t dataOffset = loadLe16(&smb[33 + 24]);
    EXPECT_EQ(smb[33 + 26], 3);                      // setup count
    EXPECT_EQ(loadLe16(&smb[33 + 28]), 1);           // write mail slot
    EXPECT_EQ(loadLe16(&smb[33 + 32]), 2);           // second class
    EXPECT_EQ(loadLe16(&smb[67]), 18 + data.size()); // byte count
    EXPECT_EQ(text(&smb[69], 18), std::string("\\MAILSLOT\\MESSNGR") + '\0');
    EXPECT_EQ(dataOffset, 87);
    EXPECT_EQ(std::vector<std::uint8_t>(smb + dataOffset, smb + dataOffset + data.size()), data);
}

} // namespace
} // namespace qv
