#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "events/event_journal.h"
#include "tests/support/recording_owner.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

// Capture threads and the scan timer journal at once: no line is lost and the owner receives the
// entries in the order of the file's lines.
TEST(JournalConcurrency, AppendsFromManyThreadsKeepTheFileOrder) {
    test::TempFolder root;
    const DataFolder folder(root / "Quorvane");
    ManualClock clock(46000.0);
    test::RecordingOwner owner;
    EventJournal journal(folder, clock, owner);
    constexpr int THREADS = 4;
    constexpr int EVENTS = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&journal, t] {
            for (int i = 0; i < EVENTS; ++i) {
                journal.JournalAppend(
                    test::eventOf("New station", std::to_string(t) + "/" + std::to_string(i)));
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    const std::vector<EventEntry> listed = owner.entries;
    ASSERT_TRUE(journal.LoadEventsTable());
    ASSERT_EQ(owner.entries.size(), static_cast<std::size_t>(THREADS * EVENTS));
    EXPECT_EQ(listed, owner.entries);
}

} // namespace
} // namespace qv
