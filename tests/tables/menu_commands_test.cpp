#include "tables/menu_commands.h"

#include <gtest/gtest.h>

#include "tables/event_filter.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

TEST(MenuTarget, EachSourceNamesItsAddress) {
    EXPECT_EQ(eventTarget("Host 192.168.0.7 (MAC: 00-0C-29-3A-4B-5C) generated 41 requests."),
              (MenuTarget{"192.168.0.7", "00-0C-29-3A-4B-5C"}));
    EXPECT_EQ(eventTarget("The source mac(00-1B-21-3A-4F-10) was all ones."),
              (MenuTarget{"", "00-1B-21-3A-4F-10"}));
    EXPECT_EQ(treeNodeTarget("10.0.0.7", std::string(MAC_A_TEXT)),
              (MenuTarget{"10.0.0.7", MAC_A_TEXT}));
    EXPECT_EQ(treeNodeTarget(MAC_A_TEXT, std::nullopt), MenuTarget{});
    StationRecord r{};
    r.ip = IP9;
    r.mac = MAC_B;
    EXPECT_EQ(stationTarget(r), (MenuTarget{"192.168.0.9", MAC_B_TEXT}));
    // IPv6 addresses, in events, tree nodes and station rows.
    EXPECT_EQ(eventTarget("fe80::1 from 00-1B-21-3A-4F-10 to 00-0C-29-3A-4B-5C"),
              (MenuTarget{"fe80::1", "00-1B-21-3A-4F-10"}));
    EXPECT_EQ(eventTarget("00-1B-21-3A-4F-10, ip: 2001:db8::7"),
              (MenuTarget{"2001:db8::7", "00-1B-21-3A-4F-10"}));
    EXPECT_EQ(treeNodeTarget("fe80::a", std::string(MAC_A_TEXT)),
              (MenuTarget{"fe80::a", MAC_A_TEXT}));
    StationRecord6 r6{};
    r6.ip = {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A};
    r6.mac = MAC_B;
    EXPECT_EQ(stationTarget(StationEntry(r6)), (MenuTarget{"fe80::a", MAC_B_TEXT}));
}

TEST(ClipboardText, ColumnsByTabAndEveryLineEndedByCrLf) {
    EXPECT_EQ(clipboardText({{"10.0.0.1", "00-11-22-33-44-55", "12/06/26", " "},
                             {"10.0.0.2", "00-11-22-33-44-66", "12/06/26", "12/07/26"}}),
              "10.0.0.1\t00-11-22-33-44-55\t12/06/26\t \r\n"
              "10.0.0.2\t00-11-22-33-44-66\t12/06/26\t12/07/26\r\n");
    EXPECT_EQ(clipboardText({}), "");
}

TEST(IgnoreList, AnAddressIsAddedOnceAndNeverPastTheLastSlot) {
    Settings s = defaultSettings("/x/");
    EXPECT_EQ(addToIgnoreList(s, IP7), IgnoreListAdd::Added);
    EXPECT_EQ(addToIgnoreList(s, IP7), IgnoreListAdd::AlreadyListed);
    EXPECT_EQ(s.IgnoreCount, 1);
    s.IgnoreCount = MAX_IGNORED;
    EXPECT_EQ(addToIgnoreList(s, IP9), IgnoreListAdd::Full);
    EXPECT_EQ(s.IgnoreCount, MAX_IGNORED);
    s.IgnoreCount = -5; // a damaged file's count counts as empty
    EXPECT_EQ(addToIgnoreList(s, IP9), IgnoreListAdd::Added);
    EXPECT_EQ(s.IgnoreCount, 1);
    EXPECT_EQ(s.IgnoreList[0], IP9);
}

TEST(FilterSuggestions, AScanEventOffersItsTypeAndAddresses) {
    const std::string type = "Network scanning";
    const std::string details = "Host 192.168.0.7 (MAC: 00-0C-29-3A-4B-5C) generated 41 requests.";
    EXPECT_EQ(
        filterSuggestions("flip", &type, &details),
        (std::vector<std::string>{"flip", "Network scanning", "192.168.0.7", "00-0C-29-3A-4B-5C"}));
    EXPECT_EQ(filterSuggestions("network SCANNING", &type, &details),
              (std::vector<std::string>{"network SCANNING", "192.168.0.7", "00-0C-29-3A-4B-5C"}));
    EXPECT_EQ(filterSuggestions("", nullptr, nullptr), std::vector<std::string>{});
    const std::string change = "Changed ethernet address";
    const std::string moved = "2001:db8::7 from 00-1B-21-3A-4F-10 to 00-0C-29-3A-4B-5C";
    EXPECT_EQ(filterSuggestions("", &change, &moved),
              (std::vector<std::string>{"Changed ethernet address", "2001:db8::7",
                                        "00-1B-21-3A-4F-10", "00-0C-29-3A-4B-5C"}));
}

} // namespace
} // namespace qv
