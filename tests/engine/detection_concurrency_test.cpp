#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_harness.h"

namespace qv {
namespace {

// Capture threads process frames while the window thread runs the scan pass and changes the
// settings: the guards keep every store whole and nothing is lost.
TEST(DetectionConcurrency, CaptureThreadsAndTheScanPassShareTheStores) {
    test::EngineHarness h;
    constexpr int THREADS = 4;
    constexpr int STATIONS = 300;
    std::atomic<bool> done{false};
    std::thread window([&] {
        bool on = true;
        while (!done.load()) {
            h.scans.detectScans();
            h.settings.setFlag(&Settings::DetectEthernetMismatch, on = !on);
            auto t = h.table.lock();
            t.sortStations([](const StationRecord& a, const StationRecord& b) {
                return a.ip < b.ip ? -1 : (b.ip < a.ip ? 1 : 0);
            });
        }
    });
    std::vector<std::thread> capture;
    for (int c = 0; c < THREADS; ++c) {
        capture.emplace_back([&h, c] {
            for (int i = 0; i < STATIONS; ++i) {
                const MacAddress mac{
                    2, 0, 0, 0, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(i)};
                const IPv4Address ip{10, static_cast<std::uint8_t>(c),
                                     static_cast<std::uint8_t>(i >> 8),
                                     static_cast<std::uint8_t>(i)};
                h.frame(test::arpFrame(ARP_REQUEST, mac, ip, ZERO_MAC, {10, 255, 0, 1}));
            }
        });
    }
    for (auto& t : capture) {
        t.join();
    }
    done = true;
    window.join();

    EXPECT_EQ(h.table.lock().count(), THREADS * STATIONS);
    EXPECT_EQ(h.announcer.events.size(), static_cast<std::size_t>(THREADS * STATIONS));
    const std::string csv = h.csv();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), THREADS * STATIONS + 1);
    EXPECT_EQ(h.liveLog->lock().count(), THREADS * STATIONS);
}

} // namespace
} // namespace qv
