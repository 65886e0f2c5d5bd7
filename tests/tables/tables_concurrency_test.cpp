// Capture-like threads add packets, stations and events while the GUI's side refreshes, sorts,
// locks, deletes and clears, as the main window does once a second and on the user's commands.
// Run under ThreadSanitizer: nothing is lost, nothing is shown twice, no row shows a torn record.

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "engine/arp_detector.h"
#include "engine/scan_detector.h"
#include "events/event_journal.h"
#include "events/notifier.h"
#include "tables/arp_log_rows.h"
#include "tables/event_steps.h"
#include "tables/station_rows.h"
#include "tests/support/arp_frames.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

constexpr int THREADS = 3;
constexpr int FRAMES = 1500;

// Every byte of a station's addresses tells who sent it, so a torn read cannot go unseen.
MacAddress macOf(int thread, int n) {
    return {2,
            static_cast<std::uint8_t>(thread),
            static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n),
            static_cast<std::uint8_t>(thread),
            0x5A};
}
IPv4Address ipOf(int thread, int n) {
    return {10, static_cast<std::uint8_t>(thread), static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}
bool whole(const IPv4Address& ip, const MacAddress& mac) {
    return mac[0] == 2 && mac[1] == ip[1] && mac[4] == ip[1] && mac[2] == ip[2] &&
           mac[3] == ip[3] && mac[5] == 0x5A;
}

// The events list's side of the journal: steps queue up, and the "GUI" applies them.
class ListOwner final : public EventListOwner {
public:
    void appendEvent(const EventEntry& entry, const Event&) override { steps.append(entry); }
    void replaceEvents(std::vector<EventEntry> entries) override {
        steps.replace(std::move(entries));
    }
    void journalFailure(const std::string&) override {}
    void apply() {
        for (EventSteps::Step& step : steps.take()) {
            if (step.replace) {
                list = std::move(step.entries);
            } else {
                list.insert(list.end(), step.entries.begin(), step.entries.end());
            }
        }
    }
    EventSteps steps;
    std::vector<EventEntry> list;
};

TEST(TablesConcurrency, TheGuiSideNeverLosesTearsOrDoublesWhatCaptureAdds) {
    test::TempFolder root;
    const DataFolder folder(root / "Quorvane");
    SharedSettings settings(defaultSettings("/x/"));
    StationTable table;
    auto table6 = std::make_unique<StationTable6>();
    auto live = std::make_unique<ArpLogRing>();
    auto locked = std::make_unique<ArpLogRing>();
    ArpCsvWriter csv(folder, settings);
    ArpCsvWriter ndpCsv(folder, settings, NDP_CSV_FILES);
    ManualClock clock(46000.0);
    ListOwner owner;
    EventJournal journal(folder, clock, owner);
    Notifier notifier(settings, journal, clock, {});
    ArpDetector detector(settings, {table, *table6, *live, csv, ndpCsv}, notifier, clock);
    ScanDetector scans(settings, table, *table6, *live, notifier, clock, detector.adapterNames());

    std::atomic<int> running{THREADS};
    std::atomic<int> rounds{0};
    std::vector<std::thread> capture;
    for (int t = 0; t < THREADS; ++t) {
        capture.emplace_back([&, t] {
            for (int n = 0; n < FRAMES; ++n) {
                // Each hundred frames waits for a round of the GUI's side, so the two interleave
                // however the threads are scheduled.
                while (n % 100 == 0 && rounds.load() < n / 100) {
                    std::this_thread::yield();
                }
                detector.processArpFrame(
                    test::arpFrame(ARP_REQUEST, macOf(t, n), ipOf(t, n), ZERO_MAC, {10, 9, 9, 9}));
            }
            --running;
        });
    }

    ArpLogRows rows;
    StationRows stations;
    int deleted = 0;
    int round = 0;
    bool torn = false;
    while (running > 0) {
        rounds = ++round;
        rows.follow(live->lock());
        for (int r = 0; r < rows.count(); r += 97) {
            if (const auto packet = rows.entry(live->lock(), r)) {
                const ArpFrameView f(packet->frame);
                torn = torn || !whole(f.senderIp(), f.senderMac());
            }
        }
        live->lock().copyTo(*locked);
        rows.follow(locked->lock());
        stations.refresh({table, *table6}, static_cast<StationColumn>(round % 4), round % 2 == 0);
        for (int r = 0; r < stations.count(); r += 53) {
            if (const auto station = stations.record({table, *table6}, r)) {
                const auto& s = std::get<StationRecord>(*station);
                torn = torn || !whole(s.ip, s.mac);
            }
        }
        if (round % 3 == 0 && stations.count() > 2) {
            deleted += stations.deleteRows({table, *table6}, {0, stations.count() - 1},
                                           StationColumn::Mac, false);
        }
        if (round % 17 == 0) {
            const Cleared cleared = clearStations({table, *table6}, (root / "ipmac.dat").string(),
                                                  (root / "ipmac6.dat").string());
            ASSERT_TRUE(cleared.saved);
            deleted += cleared.stations;
        }
        EXPECT_TRUE(journal.RewriteEventsTable([&] {
            owner.apply();
            if (!owner.list.empty() && round % 2 == 0) {
                owner.list.erase(owner.list.begin());
            }
            return owner.list;
        }));
        scans.detectScans();
    }
    for (std::thread& thread : capture) {
        thread.join();
    }
    owner.apply();

    EXPECT_FALSE(torn);
    EXPECT_EQ(table.lock().count() + deleted, THREADS * FRAMES);
    const auto file = parseEventsText(test::readText(folder.folder() / EVENTS_FILE_NAME));
    EXPECT_EQ(owner.list.size(), file.size());
    EXPECT_TRUE(owner.list == file);
}

} // namespace
} // namespace qv
