#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "engine/station_table.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

std::vector<std::uint8_t> imageWithCount(std::int32_t count, std::size_t size = STATION_FILE_SIZE) {
    std::vector<std::uint8_t> bytes(size, 0);
    storeLeI32(bytes.data(), count);
    for (std::size_t i = 4; i + STATION_RECORD_SIZE <= size; i += STATION_RECORD_SIZE) {
        bytes[i] = static_cast<std::uint8_t>(i / STATION_RECORD_SIZE); // ip's first byte
        storeLeDouble(&bytes[i + 16], 1.0 + static_cast<double>(i));
    }
    return bytes;
}

class StationFile : public ::testing::Test {
protected:
    test::TempFolder root;
    std::string path = (root / STATION_FILE_NAME).string();
    StationTable table;
};

TEST_F(StationFile, SaveAndLoadGiveTheSameBytesStaleSlotsIncluded) {
    {
        auto t = table.lock();
        t.touchStation({192, 168, 0, 7}, MAC_A, 46000.5);
        t.touchStation({192, 168, 0, 8}, MAC_A, 46000.75);
        t.setLastScanning(1, 46000.25);
        t.addRequest(1);
        t.deleteStation(0); // slot 1 keeps a stale copy
        ASSERT_TRUE(t.saveStations(path));
    }
    const auto saved = test::readBytes(path);
    ASSERT_EQ(saved.size(), STATION_FILE_SIZE);
    EXPECT_EQ(loadLeI32(saved.data()), 1);
    EXPECT_EQ(saved[4], 192);
    EXPECT_EQ(saved[7], 8);
    EXPECT_EQ(saved[8], 0x00);
    EXPECT_EQ(saved[13], 0x10);
    EXPECT_EQ(loadLeDouble(&saved[4 + 16]), 46000.75);
    EXPECT_EQ(loadLeDouble(&saved[4 + 24]), 46000.25);
    EXPECT_EQ(loadLeI32(&saved[4 + 32]), 1);
    EXPECT_EQ(saved[44 + 3], 8); // the stale slot

    StationTable other;
    auto t = other.lock();
    EXPECT_EQ(t.loadStations(path), 1);
    const std::string again = (root / "again.dat").string();
    ASSERT_TRUE(t.saveStations(again));
    EXPECT_EQ(test::readBytes(again), saved);
}

TEST_F(StationFile, AnEmptyTableStillWritesTheWholeImage) {
    auto t = table.lock();
    ASSERT_TRUE(t.saveStations(path));
    EXPECT_EQ(std::filesystem::file_size(path), STATION_FILE_SIZE);
    EXPECT_EQ(test::readBytes(path), std::vector<std::uint8_t>(STATION_FILE_SIZE, 0));
}

TEST_F(StationFile, AMissingFileChangesNothing) {
    auto t = table.lock();
    t.touchStation({1, 2, 3, 4}, MAC_A, 5.0);
    EXPECT_EQ(t.loadStations((root / "none.dat").string()), 1);
    EXPECT_EQ(t.record(0).ip, (IPv4Address{1, 2, 3, 4}));
}

// Damaged and hostile files: the count is kept within the slots and nothing reads or writes
// outside them, whatever the file's length.
TEST_F(StationFile, DamagedFilesStayInsideTheTable) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int count;
    };
    const Case cases[] = {
        {"count 3 with all slots", imageWithCount(3), 3},
        {"negative count", imageWithCount(-1), 0},
        {"count past the slots", imageWithCount(9000), STATION_SLOTS},
        {"largest count", imageWithCount(INT32_MAX), STATION_SLOTS},
        {"empty file", {}, 0},
        {"part of the count", {2, 0}, 2},
        {"count and half a record", imageWithCount(2, 4 + 40 + 17), 2},
        {"longer than the image", imageWithCount(5, STATION_FILE_SIZE + 1000), 5},
    };
    for (const Case& c : cases) {
        test::writeBytes(path, c.bytes);
        StationTable fresh;
        auto t = fresh.lock();
        EXPECT_EQ(t.loadStations(path), c.count) << c.what;
        if (c.count > 0) {
            t.touchStation({250, 0, 0, 1}, MAC_A, 1e6);
            EXPECT_EQ(t.countByMac(MAC_A), 1) << c.what;
            EXPECT_EQ(t.count(), std::min(c.count + 1, STATION_SLOTS)) << c.what;
        }
        ASSERT_TRUE(t.saveStations(path)) << c.what;
        EXPECT_EQ(std::filesystem::file_size(path), STATION_FILE_SIZE) << c.what;
    }
}

TEST_F(StationFile, AShortFileKeepsTheSlotsItDoesNotReach) {
    auto bytes = imageWithCount(2, 4 + 40 + 20);
    bytes[44] = 1;
    test::writeBytes(path, bytes);
    auto t = table.lock();
    ASSERT_EQ(t.loadStations(path), 2);
    EXPECT_EQ(t.record(0).ip[0], 0);
    EXPECT_EQ(t.record(0).lastUpdate, 5.0);
    // The second record's first 20 bytes came from the file, the rest kept its zeros.
    EXPECT_EQ(t.record(1).ip[0], 1);
    EXPECT_EQ(t.record(1).lastUpdate, 0.0);
    EXPECT_EQ(t.slot(2).ip[0], 0);
}

TEST_F(StationFile, HostileTimesAndCountsInRecordsAreHarmless) {
    auto bytes = imageWithCount(2);
    storeLeDouble(&bytes[4 + 16], std::numeric_limits<double>::quiet_NaN());
    storeLeDouble(&bytes[44 + 16], -std::numeric_limits<double>::infinity());
    storeLeI32(&bytes[4 + 32], INT32_MIN);
    test::writeBytes(path, bytes);
    auto t = table.lock();
    ASSERT_EQ(t.loadStations(path), 2);
    EXPECT_TRUE(std::isnan(t.record(0).lastUpdate));
    EXPECT_EQ(t.findLatestByIp(t.record(0).ip), NO_STATION);
    t.resetRequestCounts();
    EXPECT_EQ(t.record(0).requestCount, 0);
}

} // namespace
} // namespace qv

namespace qv {
namespace {

// ipmac6.dat: the count, then 8192 records of 48 bytes: the address (0), the MAC (16), two bytes
// of padding, lastUpdate (24) and lastScanning (32) as little-endian doubles, requestCount (40)
// and four bytes of padding.
TEST(Station6File, TheImageIsTheFixedLittleEndianLayoutAndLoadsBack) {
    test::TempFolder root;
    const std::string path = (root / STATION6_FILE_NAME).string();
    const IPv6Address ip{0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34};
    auto table = std::make_unique<StationTable6>();
    {
        auto t = table->lock();
        t.touchStation(ip, MAC_A, 46000.5);
        t.setLastScanning(0, 46000.25);
        t.addRequest(0);
        ASSERT_TRUE(t.saveStations(path));
    }
    const auto bytes = test::readBytes(path);
    ASSERT_EQ(bytes.size(), STATION6_FILE_SIZE);
    std::vector<std::uint8_t> expected(4 + STATION6_RECORD_SIZE, 0);
    expected[0] = 1;
    std::copy(ip.begin(), ip.end(), expected.begin() + 4);
    std::copy(MAC_A.begin(), MAC_A.end(), expected.begin() + 4 + 16);
    storeLeDouble(&expected[4 + 24], 46000.5);
    storeLeDouble(&expected[4 + 32], 46000.25);
    expected[4 + 40] = 1;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + static_cast<long>(expected.size()), bytes.end(),
                            [](std::uint8_t b) { return b == 0; }));

    auto loaded = std::make_unique<StationTable6>();
    auto t = loaded->lock();
    EXPECT_EQ(t.loadStations(path), 1);
    EXPECT_EQ(t.image(), bytes);
    EXPECT_EQ(t.findPair(ip, MAC_A), 0);
    // The same address under another prefix is another station.
    IPv6Address linkLocal = ip;
    linkLocal[0] = 0xFE;
    linkLocal[1] = 0x80;
    EXPECT_EQ(t.findLatestByIp(linkLocal), NO_STATION);
}

// A hostile count is clamped and a short file overlays only what it reaches, as for ipmac.dat.
TEST(Station6File, DamagedFilesStayInsideTheTable) {
    test::TempFolder root;
    const std::string path = (root / STATION6_FILE_NAME).string();
    auto table = std::make_unique<StationTable6>();
    for (const std::int32_t count : {-5, STATION_SLOTS + 1, 3}) {
        for (const std::size_t size :
             {std::size_t{3}, std::size_t{4 + 48 + 20}, STATION6_FILE_SIZE + 9}) {
            std::vector<std::uint8_t> bytes(size, 0xAB);
            if (size >= 4) {
                storeLeI32(bytes.data(), count);
            }
            test::writeBytes(path, bytes);
            auto t = table->lock();
            const int loaded = t.loadStations(path);
            EXPECT_GE(loaded, 0);
            EXPECT_LE(loaded, STATION_SLOTS);
            if (size >= 4) {
                EXPECT_EQ(loaded, std::clamp(count, 0, STATION_SLOTS)) << count << " " << size;
            }
        }
    }
}

} // namespace
} // namespace qv
