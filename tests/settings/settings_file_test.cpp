#include "settings/settings_file.h"

#include <limits>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace qv {
namespace {

TEST(ScrambleSettings, MatchesTheKnownVectorForAZeroRecord) {
    SettingsImage bytes{};
    ScrambleSettings(bytes);
    const std::uint8_t head[] = {0xE0, 0x2E, 0xC9, 0xDC, 0xA3, 0xBA, 0x67, 0xEE};
    const std::uint8_t tail[] = {0x38, 0xA3, 0x78, 0xFF};
    EXPECT_TRUE(std::equal(std::begin(head), std::end(head), bytes.begin()));
    EXPECT_TRUE(std::equal(std::begin(tail), std::end(tail), bytes.end() - 4));
    UnscrambleSettings(bytes);
    EXPECT_EQ(bytes, SettingsImage{});
}

TEST(ScrambleSettings, UnscrambleUndoesItForAnyBytes) {
    SettingsImage bytes;
    std::uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1103515245 + 12345;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    const SettingsImage plain = bytes;
    ScrambleSettings(bytes);
    EXPECT_NE(bytes, plain);
    UnscrambleSettings(bytes);
    EXPECT_EQ(bytes, plain);
}

class SettingsFile : public ::testing::Test {
protected:
    test::TempFolder root;
    DataFolder folder{root / "Quorvane"};
    std::filesystem::path file() const { return folder.folder() / SETTINGS_FILE_NAME; }
};

TEST_F(SettingsFile, MissingFileGivesDefaults) {
    Settings s = zeroSettings();
    EXPECT_FALSE(LoadSettings(s, folder, "/usr/bin/"));
    EXPECT_EQ(fieldText(s.SoundFile), "/usr/bin/event.wav");
    EXPECT_EQ(s.ScanRequests, 100);
}

TEST_F(SettingsFile, SavedBytesLoadBackAndSaveAgainUnchanged) {
    Settings s = defaultSettings("/x/");
    s.Reserved1 = {1, 2, 3};
    s.Reserved2 = {4, 5, 6};
    s.ComputerList.fill('q'); // bytes after the terminator are kept too
    setFieldText(s.ComputerList, "PC1;PC2");
    s.IgnoreCount = 1;
    s.IgnoreList[0] = {192, 168, 0, 1};
    ASSERT_TRUE(SaveSettings(s, folder));
    const auto first = test::readBytes(file());
    ASSERT_EQ(first.size(), SETTINGS_SIZE);

    Settings loaded = zeroSettings();
    ASSERT_TRUE(LoadSettings(loaded, folder, "/other/"));
    EXPECT_EQ(encodeSettings(loaded), encodeSettings(s));
    ASSERT_TRUE(SaveSettings(loaded, folder));
    EXPECT_EQ(test::readBytes(file()), first);
}

TEST_F(SettingsFile, AShortFileIsIgnoredAndALongOneReadFromItsStart) {
    Settings s = defaultSettings("/x/");
    s.ScanRequests = 777;
    ASSERT_TRUE(SaveSettings(s, folder));
    auto bytes = test::readBytes(file());

    test::writeBytes(file(), std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
    Settings shortRead = zeroSettings();
    EXPECT_FALSE(LoadSettings(shortRead, folder, "/x/"));
    EXPECT_EQ(shortRead.ScanRequests, 100);

    bytes.resize(6000, 0xAB);
    test::writeBytes(file(), bytes);
    Settings longRead = zeroSettings();
    EXPECT_TRUE(LoadSettings(longRead, folder, "/x/"));
    EXPECT_EQ(longRead.ScanRequests, 777);
}

TEST_F(SettingsFile, ASaveThatCannotReplaceTheFileReportsItAndLeavesNoTemporary) {
    std::filesystem::create_directories(file()); // a folder where the file should be
    Settings s = defaultSettings("/x/");
    EXPECT_FALSE(SaveSettings(s, folder));
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.folder()),
                            std::filesystem::directory_iterator()),
              1);
}

// A damaged or hand-made file can hold any number; each is brought into the range the windows
// allow before anything uses it, and the load says so.
TEST_F(SettingsFile, NumbersOutOfRangeAreBroughtIntoTheWindowsRanges) {
    constexpr std::int32_t LOW = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t HIGH = std::numeric_limits<std::int32_t>::max();
    const struct {
        std::int32_t Settings::*field;
        std::int32_t stored;
        std::int32_t used;
    } cases[] = {
        {&Settings::ScanRequests, -1, 1},      {&Settings::ScanRequests, HIGH, 2000},
        {&Settings::ScanInterval, 0, 1},       {&Settings::ScanInterval, 201, 200},
        {&Settings::ARPLogSizeMB, LOW, 0},     {&Settings::ARPLogSizeMB, 32768, 32767},
        {&Settings::AdapterCount, -7, 0},      {&Settings::AdapterCount, 17, 16},
        {&Settings::IgnoreCount, LOW, 0},      {&Settings::IgnoreCount, HIGH, 256},
        {&Settings::ScanRequests, 2000, 2000}, {&Settings::ScanInterval, 1, 1},
    };
    for (const auto& c : cases) {
        Settings s = defaultSettings("/x/");
        s.*c.field = c.stored;
        ASSERT_TRUE(SaveSettings(s, folder));
        Settings loaded = zeroSettings();
        bool outOfRange = false;
        ASSERT_TRUE(LoadSettings(loaded, folder, "/x/", &outOfRange));
        EXPECT_EQ(loaded.*c.field, c.used) << c.stored;
        EXPECT_EQ(outOfRange, c.stored != c.used) << c.stored;
    }
}

} // namespace
} // namespace qv
