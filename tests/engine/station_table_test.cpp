#include "engine/station_table.h"
#include "tests/support/test_addresses.h"

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "common/byte_order.h"

namespace qv {
namespace {

using namespace test;

class StationTableTest : public ::testing::Test {
protected:
    StationTable table;
};

TEST_F(StationTableTest, TouchAddsANewPairOrRefreshesAKnownOne) {
    auto t = table.lock();
    EXPECT_EQ(t.touchStation(TEN1, MAC_A, 100.0), 1);
    t.setLastScanning(0, 90.0);
    t.addRequest(0);
    EXPECT_EQ(t.touchStation(TEN1, MAC_A, 101.0), 1);
    EXPECT_EQ(t.record(0).lastUpdate, 101.0);
    EXPECT_EQ(t.record(0).lastScanning, 90.0);
    EXPECT_EQ(t.record(0).requestCount, 1);

    EXPECT_EQ(t.touchStation(TEN2, MAC_A, 102.0), 2);
    EXPECT_EQ(t.record(1).ip, TEN2);
    EXPECT_EQ(t.record(1).lastScanning, 0.0);
    EXPECT_EQ(t.record(1).requestCount, 0);
}

TEST_F(StationTableTest, LookupsFindTheLatestWithTheLowestIndexAmongEquals) {
    auto t = table.lock();
    t.touchStation(TEN1, MAC_A, 5.0);
    t.touchStation(TEN2, MAC_A, 5.0);
    t.touchStation(TEN1, MAC_B, 7.0);
    EXPECT_EQ(t.findPair(TEN2, MAC_A), 1);
    EXPECT_EQ(t.findPair(TEN2, MAC_B), NO_STATION);
    EXPECT_EQ(t.findLatestByMac(MAC_A), 0);
    EXPECT_EQ(t.findLatestByIp(TEN1), 2);
    EXPECT_EQ(t.findLatestByIp({1, 2, 3, 4}), NO_STATION);
    EXPECT_EQ(t.countByMac(MAC_A), 2);
    EXPECT_EQ(t.countByMac(MAC_B), 1);
    EXPECT_EQ(t.countByMac({}), 0);
}

TEST_F(StationTableTest, ARecordWithoutAPositiveTimeIsCountedButNeverLatest) {
    auto t = table.lock();
    t.touchStation(TEN1, MAC_A, 0.0);
    t.touchStation(TEN2, MAC_A, -3.0);
    EXPECT_EQ(t.countByMac(MAC_A), 2);
    EXPECT_EQ(t.findPair(TEN1, MAC_A), 0);
    EXPECT_EQ(t.findLatestByMac(MAC_A), NO_STATION);
    EXPECT_EQ(t.findLatestByIp(TEN1), NO_STATION);
}

TEST_F(StationTableTest, DeleteKeepsTheOrderAndLeavesTheLastSlotsBytes) {
    auto t = table.lock();
    t.touchStation({1, 1, 1, 1}, MAC_A, 1.0);
    t.touchStation({2, 2, 2, 2}, MAC_A, 2.0);
    t.touchStation({3, 3, 3, 3}, MAC_A, 3.0);
    EXPECT_EQ(t.deleteStation(3), 3);
    EXPECT_EQ(t.deleteStation(-1), 3);
    EXPECT_EQ(t.deleteStation(0), 2);
    EXPECT_EQ(t.record(0).ip, (IPv4Address{2, 2, 2, 2}));
    EXPECT_EQ(t.record(1).ip, (IPv4Address{3, 3, 3, 3}));
    EXPECT_EQ(t.slot(2).ip, (IPv4Address{3, 3, 3, 3}));
    // The stale slot is not a record: lookups and touches ignore it.
    EXPECT_EQ(t.countByMac(MAC_A), 2);
    EXPECT_EQ(t.touchStation({9, 9, 9, 9}, MAC_B, 4.0), 3);
    EXPECT_EQ(t.record(2).ip, (IPv4Address{9, 9, 9, 9}));
}

TEST_F(StationTableTest, SortingByAddressIsNumericOrder) {
    auto t = table.lock();
    for (const IPv4Address& ip : {IPv4Address{10, 0, 0, 10}, IPv4Address{10, 0, 0, 0},
                                  IPv4Address{10, 0, 0, 2}, IPv4Address{9, 255, 255, 255}}) {
        t.touchStation(ip, MAC_A, 1.0);
    }
    t.sortStations([](const StationRecord& a, const StationRecord& b) {
        return a.ip < b.ip ? -1 : (b.ip < a.ip ? 1 : 0);
    });
    EXPECT_EQ(IPToText(t.record(0).ip), "9.255.255.255");
    EXPECT_EQ(IPToText(t.record(1).ip), "10.0.0.0");
    EXPECT_EQ(IPToText(t.record(2).ip), "10.0.0.2");
    EXPECT_EQ(IPToText(t.record(3).ip), "10.0.0.10");
}

TEST_F(StationTableTest, AFullTableGivesTheOldestRecordsSlotToANewPair) {
    auto t = table.lock();
    for (int i = 0; i < STATION_SLOTS; ++i) {
        const IPv4Address ip{10, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i),
                             1};
        t.touchStation(ip, MAC_A, i == 4000 ? 1.0 : 1000.0 + i);
    }
    t.setLastScanning(4000, 3.0);
    EXPECT_EQ(t.touchStation({192, 168, 1, 1}, MAC_B, 99999.0), STATION_SLOTS);
    EXPECT_EQ(t.findPair({192, 168, 1, 1}, MAC_B), 4000);
    EXPECT_EQ(t.record(4000).lastScanning, 0.0);
    EXPECT_EQ(t.findPair({10, 15, 160, 1}, MAC_A), NO_STATION);
    // Refreshing a known pair of a full table takes no slot.
    EXPECT_EQ(t.touchStation({10, 0, 0, 1}, MAC_A, 100000.0), STATION_SLOTS);
    EXPECT_EQ(t.findPair({192, 168, 1, 1}, MAC_B), 4000);
}

// The table's lookups answer exactly as a scan of all records in index order does, through adds,
// refreshes, deletes, sorts, recycled slots of a full table and loads.
TEST_F(StationTableTest, LookupsAgreeWithAScanOfTheWholeTable) {
    auto t = table.lock();
    auto scanFind = [&](auto matches) {
        int result = NO_STATION;
        double best = 0.0;
        for (int i = 0; i < t.count(); ++i) {
            if (matches(t.record(i)) && t.record(i).lastUpdate > best) {
                best = t.record(i).lastUpdate;
                result = i;
            }
        }
        return result;
    };
    auto check = [&](const IPv4Address& ip, const MacAddress& mac) {
        int pair = NO_STATION;
        int macs = 0;
        for (int i = t.count() - 1; i >= 0; --i) {
            pair = t.record(i).ip == ip && t.record(i).mac == mac ? i : pair;
            macs += t.record(i).mac == mac;
        }
        ASSERT_EQ(t.findPair(ip, mac), pair);
        ASSERT_EQ(t.countByMac(mac), macs);
        ASSERT_EQ(t.findLatestByMac(mac),
                  scanFind([&](const StationRecord& r) { return r.mac == mac; }));
        ASSERT_EQ(t.findLatestByIp(ip),
                  scanFind([&](const StationRecord& r) { return r.ip == ip; }));
    };
    std::uint32_t seed = 7;
    auto next = [&](std::uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % range;
    };
    // Few addresses, so records share MACs and IPs and times tie often.
    auto ip = [&] { return IPv4Address{10, 0, 0, static_cast<std::uint8_t>(next(40))}; };
    auto mac = [&] { return MacAddress{2, 0, 0, 0, 0, static_cast<std::uint8_t>(next(30))}; };
    for (int step = 0; step < 20000; ++step) {
        const std::uint32_t action = next(100);
        if (action < 80) {
            t.touchStation(ip(), mac(), static_cast<double>(next(50)));
        } else if (action < 95) {
            t.deleteStation(static_cast<int>(next(static_cast<std::uint32_t>(t.count()) + 1)));
        } else {
            t.sortStations([](const StationRecord& a, const StationRecord& b) {
                return a.mac < b.mac ? -1 : (b.mac < a.mac ? 1 : 0);
            });
        }
        check(ip(), mac());
    }
    for (int i = t.count(); i < STATION_SLOTS; ++i) { // fill up, then recycle slots
        t.touchStation({11, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i), 0},
                       mac(), 1000.0 + i);
    }
    for (int step = 0; step < 2000; ++step) {
        t.touchStation(ip(), mac(), 20000.0 + step);
        check(ip(), mac());
    }
}

// The record a new pair of a full table replaces is the one the scan of the whole table picks
// (the least recently seen, the lowest index among equals), through new pairs and refreshes at
// times that tie often and go back as well as forward, and deletes, sorts and loads between them.
TEST(StationTable, AFullTableReplacesTheRecordAScanOfAllRecordsPicks) {
    auto table = std::make_unique<StationTable>();
    auto t = table->lock();
    auto scanOldest = [&] {
        int oldest = 0;
        for (int i = 1; i < t.count(); ++i) {
            if (t.record(i).lastUpdate < t.record(oldest).lastUpdate) {
                oldest = i;
            }
        }
        return oldest;
    };
    std::uint32_t seed = 11;
    auto next = [&](std::uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 8) % range;
    };
    auto time = [&] { return 100.0 + next(300) * 0.5; };
    std::uint32_t fresh = 0;
    auto newPair = [&] {
        ++fresh;
        return std::pair{IPv4Address{11, static_cast<std::uint8_t>(fresh >> 16),
                                     static_cast<std::uint8_t>(fresh >> 8),
                                     static_cast<std::uint8_t>(fresh)},
                         MacAddress{2, 0, 0, 0, static_cast<std::uint8_t>(fresh >> 8),
                                    static_cast<std::uint8_t>(fresh)}};
    };
    for (int round = 0; round < 4; ++round) {
        while (t.count() < STATION_SLOTS) {
            const auto [ip, mac] = newPair();
            t.touchStation(ip, mac, time());
        }
        for (int step = 0; step < 3000; ++step) {
            if (next(4) == 0) { // a refresh moves a record's time
                const StationRecord r = t.record(static_cast<int>(next(STATION_SLOTS)));
                t.touchStation(r.ip, r.mac, time());
                continue;
            }
            const int expected = scanOldest();
            const auto [ip, mac] = newPair();
            ASSERT_EQ(t.touchStation(ip, mac, time()), STATION_SLOTS);
            ASSERT_EQ(t.findPair(ip, mac), expected) << "round " << round << ", step " << step;
        }
        // What moves records between the rounds.
        if (round == 0) {
            t.deleteStation(17);
        } else if (round == 1) {
            t.sortStations([](const StationRecord& a, const StationRecord& b) {
                return a.mac < b.mac ? 1 : (b.mac < a.mac ? -1 : 0);
            });
        } else {
            const auto image = t.image();
            t.loadImagePrefix(image);
        }
    }
}

// A damaged time (NaN, which no comparison holds for) is passed over wherever it is, unless every
// record has one.
TEST(StationTable, ARecordWithADamagedTimeKeepsItsSlotWhileOthersAreThere) {
    auto table = std::make_unique<StationTable>();
    auto t = table->lock();
    std::vector<std::uint8_t> image = t.image();
    storeLeI32(image.data(), STATION_SLOTS);
    for (std::size_t i = 0; i < STATION_SLOTS; ++i) {
        StationRecord r;
        r.ip = {10, 1, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        r.mac = MAC_A;
        r.lastUpdate = i == 0 || i == 9 ? std::nan("") : 500.0 - (i == 300 ? 1.0 : 0.0);
        encodeStationRecord(r,
                            std::span<std::uint8_t, STATION_RECORD_SIZE>(
                                image.data() + 4 + i * STATION_RECORD_SIZE, STATION_RECORD_SIZE));
    }
    t.loadImagePrefix(image);
    t.touchStation(TEN1, MAC_B, 900.0);
    EXPECT_EQ(t.findPair(TEN1, MAC_B), 300);
    t.touchStation(TEN2, MAC_B, 900.0);
    EXPECT_EQ(t.findPair(TEN2, MAC_B), 1);
}

// Deleting many records at once leaves the same image, stale slots included, as deleting them one
// by one from the highest index down.
TEST(StationTable, DeletingManyAtOnceEqualsDeletingOneByOne) {
    const std::vector<std::vector<int>> cases = {
        {1, 3}, {0}, {99}, {5, 5, 7}, {-1, 200, 2}, {}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
    for (const auto& indices : cases) {
        StationTable one;
        StationTable many;
        for (StationTable* table : {&one, &many}) {
            auto t = table->lock();
            for (int n = 0; n < 100; ++n) {
                t.touchStation({10, 0, 0, static_cast<std::uint8_t>(n)},
                               {2, 0, 0, 0, 0, static_cast<std::uint8_t>(n % 7)}, 100.0 + n);
            }
        }
        auto sorted = indices;
        std::sort(sorted.rbegin(), sorted.rend());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        auto a = one.lock();
        for (int i : sorted) {
            a.deleteStation(i);
        }
        auto b = many.lock();
        b.deleteStations(indices);
        EXPECT_EQ(a.image(), b.image());
        for (int i = 0; i < b.count(); ++i) {
            EXPECT_EQ(b.findPair(b.record(i).ip, b.record(i).mac), i);
        }
    }
}

} // namespace
} // namespace qv
