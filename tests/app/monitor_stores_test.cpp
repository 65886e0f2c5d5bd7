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

IPv6Address linkLocal6(std::uint8_t last) {
    return {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, last};
}

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

// ipmac6.dat follows ipmac.dat's rules, but a network without IPv6 gets no such file: it is
// written once there is a binding to keep, and from then on whenever ipmac.dat is, even empty.
TEST_F(MonitorStores, TheIPv6FileIsWrittenOnceThereIsIPv6ToKeep) {
    monitor.loadStations();
    touch(1);
    ASSERT_TRUE(monitor.saveStations().written);
    EXPECT_TRUE(std::filesystem::exists(monitor.stationsPath()));
    EXPECT_FALSE(std::filesystem::exists(monitor.stations6Path()));

    monitor.stations6().lock().touchStation(linkLocal6(7), MAC_A, clock.now());
    monitor.setCheckpointInterval(std::chrono::seconds(0));
    const auto saved = monitor.checkpoint(start); // only the IPv6 table changed
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved->written);
    EXPECT_EQ(std::filesystem::file_size(monitor.stations6Path()), STATION6_FILE_SIZE);

    test::RecordingOwner owner2;
    Monitor again{folder, clock, owner2, Presenters{}};
    again.loadStations();
    EXPECT_EQ(again.stations6File().state(), StoredFile::State::Whole);
    EXPECT_EQ(again.stations6().lock().findPair(linkLocal6(7), MAC_A), 0);
    again.stations6().lock().deleteStation(0);
    ASSERT_TRUE(again.saveStations().written);
    auto reread = std::make_unique<StationTable6>();
    EXPECT_EQ(reread->lock().loadStations(again.stations6Path()), 0);
}

TEST_F(MonitorStores, ADamagedIPv6FileIsKeptAsideAndAnUnreadableOneLeftAlone) {
    const std::string path = monitor.stations6Path();
    test::writeBytes(path, std::vector<std::uint8_t>(100, 0)); // the wrong size
    monitor.loadStations();
    EXPECT_EQ(monitor.stations6File().state(), StoredFile::State::Damaged);
    const auto saved = monitor.saveStations();
    EXPECT_TRUE(saved.written);
    EXPECT_EQ(saved.note, "the damaged " + path + " was kept as " + path + ".damaged");
    EXPECT_EQ(test::readBytes(path + ".damaged").size(), 100u);
    EXPECT_EQ(std::filesystem::file_size(path), STATION6_FILE_SIZE);

    std::filesystem::remove(path);
    std::filesystem::create_directory(path); // not a regular file: it cannot be read
    test::RecordingOwner owner2;
    Monitor again{folder, clock, owner2, Presenters{}};
    again.loadStations();
    again.stations6().lock().touchStation(linkLocal6(7), MAC_A, clock.now());
    const auto refused = again.saveStations();
    EXPECT_FALSE(refused.written);
    EXPECT_NE(refused.note.find(path + " could not be read"), std::string::npos) << refused.note;
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

} // namespace
} // namespace qv
