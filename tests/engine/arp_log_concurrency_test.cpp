#include <memory>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/arp_csv_writer.h"
#include "engine/arp_log.h"
#include "tests/support/arp_frames.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

constexpr int THREADS = 4;
constexpr int LINES = 300;

Settings withLimit(std::int32_t megabytes) {
    Settings s = defaultSettings("/x/");
    s.ARPLogSizeMB = megabytes;
    return s;
}

// Capture threads append lines at the same moment: every line reaches the file whole.
TEST(ArpCsvConcurrency, AppendsFromManyThreadsLoseNoLine) {
    test::TempFolder root;
    const DataFolder folder(root / "Quorvane");
    SharedSettings settings(withLimit(50));
    ArpCsvWriter writer(folder, settings);
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&writer, t] {
            for (int i = 0; i < LINES; ++i) {
                writer.appendArpCsv("thread " + std::to_string(t) + " line " + std::to_string(i) +
                                    "\r\n");
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    std::istringstream text(test::readText(folder.folder() / ARP_CSV_FILE_NAME));
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line, std::string(ARP_CSV_HEADER) + "\r");
    std::set<std::string> seen;
    while (std::getline(text, line)) {
        seen.insert(line);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(THREADS * LINES));
}

// Appends and the once-a-second trim interleave; every append is seen whole or not at all.
TEST(ArpLogConcurrency, AppendsAndTrimsNeverSeeHalfAnEntry) {
    auto ring = std::make_unique<ArpLogRing>();
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&ring, t] {
            const MacAddress mac{2, 0, 0, 0, 0, static_cast<std::uint8_t>(t)};
            const auto frame = test::arpFrame(1, mac, {10, 0, 0, static_cast<std::uint8_t>(t)},
                                              ZERO_MAC, {10, 0, 0, 1});
            for (int i = 0; i < 3000; ++i) {
                ring->lock().appendArpLog(frame, 100.0);
            }
        });
    }
    for (int k = 0; k < 200; ++k) {
        auto log = ring->lock();
        log.countRecent(ARP_LOG_WINDOW_SECONDS, true, 100.0);
        for (int r = 0; r < log.count(); ++r) {
            const ArpLogEntry& e = log.row(r);
            ASSERT_EQ(e.frame[27], e.frame[31]); // MAC and IP of the same thread
        }
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(ring->lock().count(), ARP_LOG_SLOTS - 1);
}

} // namespace
} // namespace qv
