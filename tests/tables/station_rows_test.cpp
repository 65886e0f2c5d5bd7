#include "tables/station_rows.h"

#include <filesystem>
#include <memory>

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
        rows.refresh(tables(), StationColumn::Ip, false);
    }
    StationTables tables() { return {table, *table6}; }
    StationTable table;
    std::unique_ptr<StationTable6> table6 = std::make_unique<StationTable6>();
    StationRows rows;
};

TEST_F(Rows, ARefreshSortsTheRecordsThemselves) {
    const int order[] = {1, 3, 5, 7, 9};
    auto t = table.lock();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.record(i).ip[3], order[i]);
        EXPECT_EQ(std::get<Binding>(rows.binding(i)).ip, t.record(i).ip);
    }
}

// The mended Delete: rows are found by the station they showed, even after a capture thread
// added stations and a full table gave a shown station's slot to another.
TEST_F(Rows, DeletingRowsOneAndThreeRemovesExactlyTheirStations) {
    table.lock().touchStation({10, 0, 0, 2}, {2, 0, 0, 0, 0, 2}, 200.0); // arrives after the draw
    EXPECT_EQ(rows.deleteRows(tables(), {1, 3}, StationColumn::Ip, false), 2);
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
    auto table6 = std::make_unique<StationTable6>();
    const StationTables tables{table, *table6};
    StationRows rows;
    {
        auto t = table.lock();
        for (int n = 0; n < STATION_SLOTS; ++n) {
            t.touchStation({10, 1, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
                           MAC_A, 100.0 + n);
        }
    }
    rows.refresh(tables, StationColumn::Ip, false);
    const Binding oldest = std::get<Binding>(rows.binding(0)); // 10.1.0.0, seen longest ago
    table.lock().touchStation({10, 2, 0, 0}, MAC_B, 900000.0); // takes the oldest slot
    EXPECT_FALSE(rows.record(tables, 0));
    EXPECT_EQ(rows.deleteRows(tables, {0}, StationColumn::Ip, false), 0);
    EXPECT_EQ(table.lock().count(), STATION_SLOTS);
    EXPECT_EQ(table.lock().findPair(oldest.ip, oldest.mac), NO_STATION);
}

TEST(SeveralIpGroups, OnlyCardsWithSeveralAddressesInAddressOrder) {
    StationTable table;
    auto table6 = std::make_unique<StationTable6>();
    {
        auto t = table.lock();
        t.touchStation({10, 0, 0, 7}, MAC_A, 1.0);
        t.touchStation({10, 0, 0, 9}, MAC_B, 2.0);
        t.touchStation({10, 0, 0, 2}, MAC_A, 3.0);
    }
    const auto groups = severalIpGroups({table, *table6}, StationColumn::LastUpdate, true);
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
    EXPECT_TRUE(severalIpGroups({distinct, *table6}, StationColumn::Ip, false).empty());
}

TEST(ClearStations, TheTableEmptiesAndTheFileHoldsNoStation) {
    TempFolder root;
    StationTable table;
    auto table6 = std::make_unique<StationTable6>();
    table.lock().touchStation(IP7, MAC_A, 1.0);
    const std::string path = (root / "ipmac.dat").string();
    const Cleared cleared = clearStations({table, *table6}, path, (root / "ipmac6.dat").string());
    EXPECT_EQ(cleared.stations, 1);
    EXPECT_TRUE(cleared.saved);
    EXPECT_EQ(table.lock().count(), 0);
    const auto bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), STATION_FILE_SIZE);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0);
}

IPv6Address fe80(std::uint8_t last) {
    return {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, last};
}

// The list shows the IPv4 stations, then the IPv6 ones, each family in its own order; a row's
// commands act on its own table.
TEST_F(Rows, IPv6StationsFollowTheIPv4OnesAndAreDeletedFromTheirTable) {
    for (std::uint8_t n : {9, 2}) {
        table6->lock().touchStation(fe80(n), {2, 0, 0, 0, 0, n}, 300.0 + n);
    }
    rows.refresh(tables(), StationColumn::LastUpdate, true);
    ASSERT_EQ(rows.count(), 7);
    EXPECT_EQ(stationTexts(*rows.record(tables(), 0))[0], "10.0.0.9");
    EXPECT_EQ(stationTexts(*rows.record(tables(), 4))[0], "10.0.0.1");
    EXPECT_EQ(stationTexts(*rows.record(tables(), 5))[0], "fe80::9");
    EXPECT_EQ(stationTexts(*rows.record(tables(), 6))[0], "fe80::2");
    EXPECT_FALSE(rows.record(tables(), 7));
    EXPECT_EQ(std::get<Binding6>(rows.binding(6)), (Binding6{fe80(2), {2, 0, 0, 0, 0, 2}}));

    EXPECT_EQ(rows.deleteRows(tables(), {0, 5}, StationColumn::LastUpdate, true), 2);
    EXPECT_EQ(table.lock().count(), 4);
    EXPECT_EQ(table.lock().findPair({10, 0, 0, 9}, {2, 0, 0, 0, 0, 9}), NO_STATION);
    ASSERT_EQ(table6->lock().count(), 1);
    EXPECT_EQ(table6->lock().record(0).ip, fe80(2));
    EXPECT_EQ(rows.count(), 5);
}

// A card's addresses of both families make one group, the IPv4 ones first.
TEST_F(Rows, TheSeveralIpTreeGroupsBothFamilies) {
    table6->lock().touchStation(fe80(3), {2, 0, 0, 0, 0, 3}, 400.0);
    const auto groups = severalIpGroups(tables(), StationColumn::Ip, false);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].mac, "02-00-00-00-00-03");
    EXPECT_EQ(groups[0].ips, (std::vector<std::string>{"10.0.0.3", "fe80::3"}));
}

// Clear All empties both tables; ipmac6.dat is written only when there is one or its table held
// a station, so a network without IPv6 gets none.
TEST_F(Rows, ClearAllWritesTheIPv6FileOnlyWhenThereIsIPv6) {
    TempFolder root;
    const std::string path = (root / STATION_FILE_NAME).string();
    const std::string path6 = (root / STATION6_FILE_NAME).string();
    Cleared cleared = clearStations(tables(), path, path6);
    EXPECT_EQ(cleared.stations, 5);
    EXPECT_TRUE(cleared.saved);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(path6));

    table6->lock().touchStation(fe80(1), MAC_A, 1.0);
    cleared = clearStations(tables(), path, path6);
    EXPECT_EQ(cleared.stations, 1);
    EXPECT_TRUE(cleared.saved);
    EXPECT_EQ(readBytes(path6).size(), STATION6_FILE_SIZE);
    EXPECT_EQ(table6->lock().count(), 0);

    std::filesystem::remove(path6);
    std::filesystem::create_directory(path6); // cannot be replaced
    table6->lock().touchStation(fe80(1), MAC_A, 1.0);
    cleared = clearStations(tables(), path, path6);
    EXPECT_FALSE(cleared.saved);
    EXPECT_EQ(cleared.failed, path6);
}

} // namespace
} // namespace qv
