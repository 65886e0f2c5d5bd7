#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_harness.h"
#include "tests/support/ndp_frames.h"

namespace qv {
namespace {

// Capture threads process frames, ARP and neighbour discovery, while the window thread runs the
// scan pass, changes the settings and sorts both tables: the guards keep every store whole and
// nothing is lost.
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
            h.table.lock().sortStations([](const StationRecord& a, const StationRecord& b) {
                return a.ip < b.ip ? -1 : (b.ip < a.ip ? 1 : 0);
            });
            h.table6->lock().sortStations([](const StationRecord6& a, const StationRecord6& b) {
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
                if (c % 2 == 1) {
                    test::NdpFrameFields f;
                    f.ethernetSource = mac;
                    f.source = test::global(static_cast<std::uint16_t>(c << 12 | i));
                    f.destination = test::solicitedNode(1);
                    f.target = test::linkLocal(1);
                    f.options = test::linkLayerOption(1, mac);
                    EXPECT_TRUE(h.ndpFrame(test::ndpFrame(f)));
                    continue;
                }
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

    EXPECT_EQ(h.table.lock().count(), THREADS / 2 * STATIONS);
    EXPECT_EQ(h.table6->lock().count(), THREADS / 2 * STATIONS);
    EXPECT_EQ(h.announcer.events.size(), static_cast<std::size_t>(THREADS * STATIONS));
    for (const std::string& csv : {h.csv(), h.ndpCsv()}) {
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), THREADS / 2 * STATIONS + 1);
    }
    EXPECT_EQ(h.liveLog->lock().count(), THREADS * STATIONS);
}

} // namespace
} // namespace qv
