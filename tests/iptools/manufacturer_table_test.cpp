#include "iptools/manufacturer_table.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ManufacturerTable, TheBuiltInSnapshotAnswersAsAScanFromTheTopWould) {
    const struct {
        const char* mac;
        std::optional<std::string> maker;
    } cases[] = {
        {"00-00-00-00-00-01", "XEROX CORPORATION"},
        {"00-00-0C-12-34-56", "Cisco Systems, Inc"},
        {"00-e0-4c-01-02-03", "REALTEK SEMICONDUCTOR CORP."},  // letter case is ignored
        {"00-01-C8-00-00-01", "THOMAS CONRAD CORP."},          // the first of two lines
        {"08-00-30-00-00-01", "NETWORK RESEARCH CORPORATION"}, // the first of three
        {"FC-FF-AA-00-00-01", "IEEE Registration Authority"},  // the last line, no line end
        {"52-54-00-12-34-56", std::nullopt},                   // not assigned
        {"00:00:0C:12:34:56", std::nullopt},                   // joined by ':'
        {"00-00-0", std::nullopt},                             // shorter than a key
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LookupManufacturer(c.mac), c.maker) << c.mac;
    }
    const std::string_view text = ManufacturerTable::builtInText();
    EXPECT_EQ(text.substr(0, 27), "00-00-00\tXEROX CORPORATION\r");
    EXPECT_NE(text.back(), '\n');
}

// A small table shows the rules the snapshot cannot: lines that are not a key and a TAB, keys of
// other lengths, a last line without its line end, and lowercase keys.
TEST(ManufacturerTable, LinesThatAreNotAKeyAndATabArePassedOver) {
    const ManufacturerTable table("no tab on this line\r\n"
                                  "00-00-0\tSEVEN CHARACTERS\n"
                                  "0A-0B-0C\tFIRST\r\n"
                                  "0a-0b-0c\tSECOND\r\n"
                                  "AA-BB-CC-DD\tTOO LONG\r\n"
                                  "ab-cd-ef\tlowercase key\r\n"
                                  "FF-FF-FF\tLAST WITHOUT LINE END");
    EXPECT_EQ(table.LookupManufacturer("0A-0B-0C-00-00-00"), "FIRST");
    EXPECT_EQ(table.LookupManufacturer("AB-CD-EF-01-02-03"), "lowercase key");
    EXPECT_EQ(table.LookupManufacturer("ff-ff-ff-ff-ff-ff"), "LAST WITHOUT LINE END");
    EXPECT_EQ(table.LookupManufacturer("00-00-0\tSEVEN"), std::nullopt);
    EXPECT_EQ(table.LookupManufacturer("AA-BB-CC-DD-EE-FF"), std::nullopt);
    EXPECT_EQ(table.keys(), 3u);
}

} // namespace
} // namespace qv
