// The Monitor's rules for the files it saves: checkpoints of ipmac.dat, and files found damaged
// kept aside before the first save, for the tray program as for the watcher.

#include "app/monitor.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "tests/support/recording_owner.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;
using std::chrono::minutes;

class MonitorStores : public ::testing::Test {
protected:
    void touch(std::uint8_t last) {
        monitor.stations().lock().touchStation({10, 0, 0, last}, MAC_A, clock.now());
        clock.advanceSeconds(1);
    }
    int savedCount() const {
        StationTable table;
        return table.lock().loadStations(monitor.stationsPath());
    }

    test::TempFolder root;
    DataFolder folder{root / "Quorvane"};
    ManualClock clock{encodeDateTime({2026, 12, 6, 18, 1, 52, 0})};
    test::RecordingOwner owner;
    Monitor monitor{folder, clock, owner, Presenters{}};
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// A look every second, a save at most every 15 minutes and only when the table changed.
TEST_F(MonitorStores, TheTableIsCheckpointedEvery15MinutesWhenItChanged) {
    monitor.loadStations();
    touch(1);
    EXPECT_FALSE(monitor.checkpoint(start + minutes(14)));
    const auto first = monitor.checkpoint(start + minutes(15) + std::chrono::seconds(1));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->written);
    EXPECT_EQ(savedCount(), 1);

    EXPECT_FALSE(monitor.checkpoint(start + minutes(31))); // unchanged: nothing written
    touch(2);
    EXPECT_FALSE(monitor.checkpoint(start + minutes(32))); // changed, but looked at 31
    EXPECT_EQ(savedCount(), 1);
    ASSERT_TRUE(monitor.checkpoint(start + minutes(46)));
    EXPECT_EQ(savedCount(), 2);

    // The interval is the watcher's to set.
    monitor.setCheckpointInterval(std::chrono::seconds(0));
    touch(3);
    ASSERT_TRUE(monitor.checkpoint(start + minutes(46)));
    EXPECT_EQ(savedCount(), 3);
}

// Numbers out of range mark the file damaged: the tray program's save, which writes them in
// range, keeps the file as it was first.
TEST_F(MonitorStores, SettingsWithNumbersOutOfRangeAreKeptAsideBeforeTheSave) {
    Settings s = defaultSettings("/x/");
    s.ScanRequests = -1;
    ASSERT_TRUE(SaveSettings(s, folder));
    const std::string path = folder.DataFilePath(SETTINGS_FILE_NAME);
    const auto original = test::readBytes(path);
    ASSERT_TRUE(monitor.loadSettings("/x/"));
    EXPECT_EQ(monitor.settings().number(&Settings::ScanRequests), 1);
    EXPECT_EQ(monitor.settingsFile().state(), StoredFile::State::Damaged);

    const auto saved = monitor.saveSettings();
    EXPECT_TRUE(saved.written);
    EXPECT_EQ(saved.note, "the damaged " + path + " was kept as " + path + ".damaged");
    EXPECT_EQ(test::readBytes(path + ".damaged"), original);
    Settings loaded = zeroSettings();
    bool outOfRange = true;
    ASSERT_TRUE(LoadSettings(loaded, folder, "/x/", &outOfRange));
    EXPECT_FALSE(outOfRange);
    EXPECT_EQ(loaded.ScanRequests, 1);
    EXPECT_EQ(monitor.saveSettings().note, ""); // whole now
}

TEST_F(MonitorStores, WholeFilesAreReplacedWithoutACopy) {
    ASSERT_TRUE(SaveSettings(defaultSettings("/x/"), folder));
    ASSERT_TRUE(monitor.saveStations().written); // no file yet: written as new
    monitor.loadSettings("/x/");
    monitor.loadStations();
    touch(1);
    for (const auto& saved : {monitor.saveSettings(), monitor.saveStations()}) {
        EXPECT_TRUE(saved.written);
        EXPECT_EQ(saved.note, "");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.folder()), {}), 2);
}

} // namespace
} // namespace qv
