#include "app/watch/watch_options.h"

#include <gtest/gtest.h>

#include "tests/support/watcher_run.h"

namespace qv {
namespace {

TEST(WatchOptions, ParsesTheOptionsAndRefusesWhatItDoesNotKnow) {
    std::string error;
    auto options = parseWatchOptions({"--data-dir", "/tmp/d", "--read", "x.pcap"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->dataDir, "/tmp/d");
    EXPECT_EQ(options->readCapture, "x.pcap");
    options = parseWatchOptions({"--interface", "eth0", "--interface", "eth1"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->interfaces, (std::vector<std::string>{"eth0", "eth1"}));
    options = parseWatchOptions({"--checkpoint", "0", "--read", "x.pcap"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->checkpoint, 0);

    const std::vector<std::string> wrong[] = {
        {"--read"},
        {"--bogus"},
        {"--read", "a", "--read", "b"},
        {"--read", ""},
        {"--read", "a", "--interface", "eth0"},
        {"x.pcap"},
        {"--checkpoint", "-1", "--read", "a"},
        {"--checkpoint", "86401", "--read", "a"},
        {"--checkpoint", "1e3", "--read", "a"},
        {"--checkpoint", "5", "--checkpoint", "5"},
    };
    for (const auto& arguments : wrong) {
        EXPECT_FALSE(parseWatchOptions(arguments, error)) << arguments[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(Watcher, AUsageErrorExitsWith2AndTheUsageText) {
    const auto run = test::runWatcher("--read");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--read needs a value"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("usage: quorvane-watch"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

} // namespace
} // namespace qv
