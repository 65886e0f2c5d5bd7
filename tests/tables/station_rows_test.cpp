#include "tables/station_rows.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

StationRecord station(const IPv4Address& ip, const MacAddress& mac, TDateTime update = 1.0,
                      TDateTime scan = 0.0) {
    StationRecord r{};
    r.ip = ip;
    r.mac = mac;
    r.lastUpdate = update;
    r.lastScanning = scan;
    return r;
}

TEST(CompareStations, EachColumnInBothDirections) {
    const MacAddress small{0, 0, 0, 0, 0, 1};
    const MacAddress large{0xFF, 0, 0, 0, 0, 0};
    const struct {
        StationRecord a, b;
        StationColumn column;
        int ascending; // sign of CompareStations(a, b) ascending
    } cases[] = {
        {station({10, 0, 0, 2}, large), station({10, 0, 0, 10}, small), StationColumn::Ip, -1},
        {station({192, 0, 0, 1}, small), station({10, 0, 0, 1}, small), StationColumn::Ip, 1},
        {station(IP7, large), station(IP7, small), StationColumn::Ip, 1}, // same IP: by MAC
        {station(IP9, small), station(IP7, large), StationColumn::Mac, -1},
        {station(IP9, small), station(IP7, small), StationColumn::Mac, 1}, // same MAC: by IP
        {station(IP7, small, 2.0), station(IP9, small, 3.0), StationColumn::LastUpdate, -1},
        {station(IP7, small, 3.0), station(IP9, small, 3.0), StationColumn::LastUpdate, 0},
        {station(IP7, small, 1, 0.0), station(IP9, small, 1, 5.0), StationColumn::LastScanning, -1},
    };
    for (const auto& c : cases) {
        const auto sign = [](int v) { return (v > 0) - (v < 0); };
        EXPECT_EQ(sign(CompareStations(c.a, c.b, c.column, false)), c.ascending);
        EXPECT_EQ(sign(CompareStations(c.a, c.b, c.column, true)), -c.ascending);
    }
}

TEST(StationTexts, ANeverScanningStationShowsABlank) {
    const auto texts =
        stationTexts(station(IP7, MAC_A, encodeDateTime({2026, 12, 6, 18, 1, 52, 0})));
    EXPECT_EQ(texts[0], "192.168.0.7");
    EXPECT_EQ(texts[1], MAC_A_TEXT);
    EXPECT_EQ(texts[2], "12/06/26 18:01:52");
    EXPECT_EQ(texts[3], " ");
}

class Rows : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::uint8_t n : {5, 3, 9, 1, 7}) {
            table.lock().touchStation({10, 0, 0, n}, {2, 0, 0, 0, 0, n}, 100.0 + n);
        }
        rows.refresh(table, StationColumn::Ip, false);
    }
    StationTable table;
    StationRows rows;
};

TEST_F(Rows, ARefreshSortsTheRecordsThemselves) {
    const int order[] = {1, 3, 5, 7, 9};
    auto t = table.lock();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.record(i).ip[3], order[i]);
        EXPECT_EQ(rows.binding(i).ip, t.record(i).ip);
    }
}

// The mended Delete: rows are found by the station they showed, even after a capture thread
// added stations and a full table gave a shown station's slot to another.
TEST_F(Rows, DeletingRowsOneAndThreeRemovesExactlyTheirStations) {
    table.lock().touchStation({10, 0, 0, 2}, {2, 0, 0, 0, 0, 2}, 200.0); // arrives after the draw
    EXPECT_EQ(rows.deleteRows(table, {1, 3}, StationColumn::Ip, false), 2);
    auto t = table.lock();
    ASSERT_EQ(t.count(), 4);
    EXPECT_EQ(t.findPair({10, 0, 0, 3}, {2, 0, 0, 0, 0, 3}), NO_STATION);
    EXPECT_EQ(t.findPair({10, 0, 0, 7}, {2, 0, 0, 0, 0, 7}), NO_STATION);
    const int order[] = {1, 2, 5, 9};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t.record(i).ip[3], order[i]);
    }
}

TEST(StationRowsFull, ARowWhoseSlotWasGivenAwayShowsAndDeletesNothing) {
    StationTable table;
    StationRows rows;
    {
        auto t = table.lock();
        for (int n = 0; n < STATION_SLOTS; ++n) {
            t.touchStation({10, 1, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
                           MAC_A, 100.0 + n);
        }
    }
    rows.refresh(table, StationColumn::Ip, false);
    const Binding oldest = rows.binding(0);                    // 10.1.0.0, seen longest ago
    table.lock().touchStation({10, 2, 0, 0}, MAC_B, 900000.0); // takes the oldest slot
    EXPECT_FALSE(rows.record(table.lock(), 0));
    EXPECT_EQ(rows.deleteRows(table, {0}, StationColumn::Ip, false), 0);
    EXPECT_EQ(table.lock().count(), STATION_SLOTS);
    EXPECT_EQ(table.lock().findPair(oldest.ip, oldest.mac), NO_STATION);
}

TEST(SeveralIpGroups, OnlyCardsWithSeveralAddressesInAddressOrder) {
    StationTable table;
    {
        auto t = table.lock();
        t.touchStation({10, 0, 0, 7}, MAC_A, 1.0);
        t.touchStation({10, 0, 0, 9}, MAC_B, 2.0);
        t.touchStation({10, 0, 0, 2}, MAC_A, 3.0);
    }
    const auto groups = severalIpGroups(table, StationColumn::LastUpdate, true);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].mac, MAC_A_TEXT);
    EXPECT_EQ(groups[0].ips, (std::vector<std::string>{"10.0.0.2", "10.0.0.7"}));
    // The table is back in the list's order: last update, descending.
    auto t = table.lock();
    EXPECT_EQ(t.record(0).ip, (IPv4Address{10, 0, 0, 2}));
    EXPECT_EQ(t.record(2).ip, (IPv4Address{10, 0, 0, 7}));

    StationTable distinct;
    distinct.lock().touchStation(IP7, MAC_A, 1.0);
    distinct.lock().touchStation(IP9, MAC_B, 1.0);
    EXPECT_TRUE(severalIpGroups(distinct, StationColumn::Ip, false).empty());
}

TEST(ClearStations, TheTableEmptiesAndTheFileHoldsNoStation) {
    TempFolder root;
    StationTable table;
    table.lock().touchStation(IP7, MAC_A, 1.0);
    const std::string path = (root / "ipmac.dat").string();
    const Cleared cleared = clearStations(table, path);
    EXPECT_EQ(cleared.stations, 1);
    EXPECT_TRUE(cleared.saved);
    EXPECT_EQ(table.lock().count(), 0);
    const auto bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), STATION_FILE_SIZE);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0);
}

} // namespace
} // namespace qv
