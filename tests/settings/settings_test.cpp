#include "settings/settings.h"

#include <gtest/gtest.h>

#include "common/byte_order.h"

namespace qv {
namespace {

const std::string DEFAULT_FOLDER = "/opt/quorvane/";

TEST(Settings, DefaultsAreThoseOfAFirstRun) {
    const Settings s = defaultSettings(DEFAULT_FOLDER);
    EXPECT_EQ(s.AdapterCount, 0);
    for (auto flag : {s.DetectNetworkScanning, s.DetectChangedEthernetAddress,
                      s.DetectReusedOldEthernetAddress, s.DetectFlipFlop, s.DetectNewActivity,
                      s.DetectNewStation, s.DetectEthernetBroadcast, s.DetectEthernetMismatch,
                      s.NotifyBalloon, s.NotifySound, s.ARPLogSimpleView, s.ARPLogSizeLimited}) {
        EXPECT_EQ(flag, 1);
    }
    EXPECT_EQ(s.NotifySendMessage, 0);
    EXPECT_EQ(s.IPMACMultipleView, 0);
    EXPECT_EQ(fieldText(s.SoundFile), "/opt/quorvane/event.wav");
    EXPECT_EQ(fieldText(s.ComputerList), "COMPUTER1;COMPUTER2;COMPUTER3");
    EXPECT_EQ(s.ScanInterval, 20);
    EXPECT_EQ(s.ScanRequests, 100);
    EXPECT_EQ(s.IgnoreCount, 0);
    EXPECT_EQ(s.ARPLogSizeMB, 50);
}

TEST(Settings, DefaultsLeaveReservedBytesAndTextTailsAlone) {
    Settings s = zeroSettings();
    s.Reserved1 = {7, 8, 9};
    s.Reserved2 = {1, 2, 3};
    s.ComputerList.fill('x');
    SetDefaultSettings(s, "/");
    EXPECT_EQ(s.Reserved1, (std::array<std::uint8_t, 3>{7, 8, 9}));
    EXPECT_EQ(s.Reserved2, (std::array<std::uint8_t, 3>{1, 2, 3}));
    EXPECT_EQ(s.ComputerList[TEXT_FIELD_SIZE - 1], 'x');
}

// Every field lands at its offset in the image, little-endian.
TEST(Settings, EncodesEachFieldAtItsOffset) {
    Settings s = defaultSettings(DEFAULT_FOLDER);
    setFieldText(s.AdapterNames[1], "eth1");
    s.AdapterCount = 0x01020304;
    s.DetectEthernetMismatch = 0;
    s.NotifySendMessage = 1;
    s.Reserved1 = {0xA1, 0xA2, 0xA3};
    s.IgnoreList[255] = {10, 0, 0, 9};
    s.IgnoreCount = 256;
    s.ARPLogSizeMB = 32767;
    const SettingsImage image = encodeSettings(s);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[260])), "eth1");
    EXPECT_EQ(image[4160], 0x04);
    EXPECT_EQ(image[4163], 0x01);
    EXPECT_EQ(image[4164], 1);
    EXPECT_EQ(image[4171], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[4174])), "/opt/quorvane/event.wav");
    EXPECT_EQ(image[4434], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[4435])),
              "COMPUTER1;COMPUTER2;COMPUTER3");
    EXPECT_EQ(image[4696], 1);
    EXPECT_EQ(image[4697], 0xA1);
    EXPECT_EQ(loadLeI32(&image[4700]), 20);
    EXPECT_EQ(loadLeI32(&image[4704]), 100);
    EXPECT_EQ(loadLeI32(&image[4708]), 256);
    EXPECT_EQ(image[4712 + 255 * 4], 10);
    EXPECT_EQ(image[4712 + 255 * 4 + 3], 9);
    EXPECT_EQ(image[5736], 1);
    EXPECT_EQ(loadLeI32(&image[5740]), 32767);

    const SettingsImage again = encodeSettings(decodeSettings(image));
    EXPECT_EQ(again, image);
}

TEST(Settings, AnyImageOfTerminatedTextsDecodesAndEncodesToTheSameBytes) {
    SettingsImage image;
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    for (std::size_t end : {259u, 260u + 259u, 4174u + 100u, 4435u + 3u}) {
        image[end] = 0;
    }
    for (std::size_t i = 2; i < 16; ++i) {
        image[i * 260 + 259] = 0;
    }
    EXPECT_EQ(encodeSettings(decodeSettings(image)), image);
}

TEST(Settings, ATextWithoutTerminatorIsCutTo259Bytes) {
    SettingsImage image{};
    std::fill(image.begin() + 4435, image.begin() + 4435 + 260, 'Z');
    const Settings s = decodeSettings(image);
    EXPECT_EQ(fieldText(s.ComputerList), std::string(259, 'Z'));
    EXPECT_EQ(s.ComputerList[259], '\0');
}

TEST(Settings, StoredTextsAreCutAtACharacterBoundary) {
    Settings s = defaultSettings(DEFAULT_FOLDER);
    std::string long_text(258, 'a');
    long_text += "\xC3\xA9"; // é would end at byte 260
    setFieldText(s.SoundFile, long_text);
    EXPECT_EQ(fieldText(s.SoundFile), std::string(258, 'a'));
    setFieldText(s.SoundFile, "short");
    EXPECT_EQ(fieldText(s.SoundFile), "short");
}

TEST(Settings, CountsFromAFileAreClampedWhereverTheyAreUsed) {
    Settings s = defaultSettings(DEFAULT_FOLDER);
    const std::pair<std::int32_t, int> adapters[] = {
        {-5, 0}, {0, 0}, {16, 16}, {17, 16}, {INT32_MAX, 16}};
    for (auto [stored, used] : adapters) {
        s.AdapterCount = stored;
        EXPECT_EQ(adapterCount(s), used) << stored;
    }
    const std::pair<std::int32_t, int> ignored[] = {{INT32_MIN, 0}, {256, 256}, {257, 256}};
    for (auto [stored, used] : ignored) {
        s.IgnoreCount = stored;
        EXPECT_EQ(ignoreCount(s), used) << stored;
    }
}

} // namespace
} // namespace qv
