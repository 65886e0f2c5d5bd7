#include "settings/shared_settings.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace qv {
namespace {

const std::string DEFAULT_FOLDER = "/opt/quorvane/";

TEST(SharedSettings, ReadersSeeTheOldTextOrTheNewNeverAMixture) {
    SharedSettings settings(defaultSettings(DEFAULT_FOLDER));
    const std::string a(259, 'a');
    const std::string b = "PC1;PC2";
    settings.setText(&Settings::ComputerList, a);
    std::atomic<bool> done{false};
    std::atomic<int> mixtures{0};
    std::thread reader([&] {
        while (!done.load()) {
            const std::string seen = settings.text(&Settings::ComputerList);
            if (seen != a && seen != b) {
                ++mixtures;
            }
            (void)settings.flag(&Settings::DetectNewStation);
            (void)settings.number(&Settings::ARPLogSizeMB);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        settings.setText(&Settings::ComputerList, i % 2 ? a : b);
        settings.setFlag(&Settings::DetectNewStation, i % 2);
        if (i % 100 == 0) {
            settings.update([&](Settings& s) { s.ARPLogSizeMB = i; });
        }
    }
    done = true;
    reader.join();
    EXPECT_EQ(mixtures.load(), 0);
}

TEST(SharedSettings, UpdateAndAssignReplaceTheRecordSeenByReaders) {
    SharedSettings settings(defaultSettings(DEFAULT_FOLDER));
    settings.update([](Settings& s) {
        s.DetectFlipFlop = 0;
        s.ScanInterval = 5;
        setFieldText(s.SoundFile, "/tmp/a.wav");
    });
    EXPECT_FALSE(settings.flag(&Settings::DetectFlipFlop));
    EXPECT_EQ(settings.number(&Settings::ScanInterval), 5);
    EXPECT_EQ(settings.text(&Settings::SoundFile), "/tmp/a.wav");
    settings.assign(defaultSettings(DEFAULT_FOLDER));
    EXPECT_TRUE(settings.flag(&Settings::DetectFlipFlop));
    EXPECT_EQ(encodeSettings(settings.snapshot()), encodeSettings(defaultSettings(DEFAULT_FOLDER)));
    // Any non-zero byte reads as on.
    settings.update([](Settings& s) { s.NotifySound = 7; });
    EXPECT_TRUE(settings.flag(&Settings::NotifySound));
}

} // namespace
} // namespace qv
