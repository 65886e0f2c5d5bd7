#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/station_table.h"

namespace qv {
namespace {

// Writers classify-and-touch as one unit under the guard while a reader sorts and walks the
// table, as the capture threads and the window do.
TEST(StationTableConcurrency, TouchesFromManyThreadsLoseNothing) {
    StationTable table;
    constexpr int THREADS = 4;
    constexpr int PAIRS = 500;
    std::vector<std::thread> writers;
    for (int w = 0; w < THREADS; ++w) {
        writers.emplace_back([&table, w] {
            for (int i = 0; i < PAIRS; ++i) {
                const IPv4Address ip{10, static_cast<std::uint8_t>(w),
                                     static_cast<std::uint8_t>(i >> 8),
                                     static_cast<std::uint8_t>(i)};
                const MacAddress mac{2, 0, 0, 0, 0, static_cast<std::uint8_t>(w)};
                auto t = table.lock();
                if (t.findPair(ip, mac) == NO_STATION) {
                    t.touchStation(ip, mac, 1.0 + i);
                }
            }
        });
    }
    std::thread reader([&table] {
        for (int k = 0; k < 200; ++k) {
            auto t = table.lock();
            t.sortStations([](const StationRecord& a, const StationRecord& b) {
                return a.lastUpdate < b.lastUpdate ? -1 : (a.lastUpdate > b.lastUpdate ? 1 : 0);
            });
            for (int i = 0; i < t.count(); ++i) {
                ASSERT_GE(t.record(i).lastUpdate, 1.0);
            }
        }
    });
    for (auto& w : writers) {
        w.join();
    }
    reader.join();
    auto t = table.lock();
    EXPECT_EQ(t.count(), THREADS * PAIRS);
    for (int w = 0; w < THREADS; ++w) {
        EXPECT_EQ(t.countByMac({2, 0, 0, 0, 0, static_cast<std::uint8_t>(w)}), PAIRS);
    }
}

} // namespace
} // namespace qv
