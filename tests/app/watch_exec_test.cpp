// The watcher's program for each event (--exec), run for real: a small script of the test's own
// writes what it was given into a file of its own per run.

#include <chrono>
#include <filesystem>
#include <regex>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/addresses.h"
#include "common/text_scanners.h"
#include "engine/arp_frame.h"
#include "tests/support/arp_frames.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

class WatchExec : public ::testing::Test {
protected:
    // A script that keeps its environment's QUORVANE_ variables and its argument count in a
    // file of its own under runs/, then does `then`.
    fs::path script(const std::string& then = "") {
        fs::create_directories(root / "runs");
        const fs::path path = root / "event.sh";
        test::writeText(path,
                        "#!/bin/sh\n"
                        "out=\"$RUNS/$$\"\n"
                        "{ env | grep '^QUORVANE_' | sort; echo \"ARGUMENTS=$#\"; } >\"$out.tmp\"\n"
                        "mv \"$out.tmp\" \"$out\"\n" +
                            then);
        ::chmod(path.c_str(), 0755);
        return path;
    }
    test::WatcherRun watch(const std::string& capture, const fs::path& program,
                           const std::string& more = "") {
        return test::runWatcher("--data-dir " + (root / "data").string() + " --exec " +
                                    program.string() + " " + more + " --read " + capture,
                                "RUNS=" + (root / "runs").string());
    }
    std::vector<std::map<std::string, std::string>> runs() const {
        std::vector<std::map<std::string, std::string>> all;
        for (const auto& file : fs::directory_iterator(root / "runs")) {
            if (file.path().extension() == ".tmp") {
                continue;
            }
            std::map<std::string, std::string> fields;
            for (const std::string& line : linesOf(test::readText(file.path()))) {
                const auto equals = line.find('=');
                fields[line.substr(0, equals)] = line.substr(equals + 1);
            }
            all.push_back(fields);
        }
        return all;
    }

    test::TempFolder root;
};

// Every event's run has its fields, as the journal has them, and no argument.
TEST_F(WatchExec, EveryEventRunsTheProgramWithItsFields) {
    const auto run =
        watch(QV_SOURCE_DIR "/tests/data/captures/distance-lan-ip-conflict.pcapng", script());
    ASSERT_EQ(run.status, 0) << run.err;
    const auto journal = linesOf(test::readText(root / "data" / "Events.csv"));
    ASSERT_EQ(journal.size(), 13u); // the header and twelve events, two of them IPv6
    auto got = runs();
    ASSERT_EQ(got.size(), 12u) << run.err;
    const std::regex iso("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d");
    for (std::size_t i = 1; i < journal.size(); ++i) {
        const std::string& line = journal[i];
        const auto first = line.find(';');
        const auto second = line.find(';', first + 1);
        const std::string details = line.substr(second + 1);
        // The fourth new station of one second is held back and run as its second's summary.
        const std::string summary = "1 more in one second; first " + details + ", last " + details;
        const auto match = std::find_if(got.begin(), got.end(), [&](auto& fields) {
            return fields["QUORVANE_TIME"] == line.substr(0, first) &&
                   fields["QUORVANE_TYPE"] == line.substr(first + 1, second - first - 1) &&
                   (fields["QUORVANE_DETAILS"] == details || fields["QUORVANE_DETAILS"] == summary);
        });
        ASSERT_NE(match, got.end()) << line;
        auto& fields = *match;
        EXPECT_EQ(fields["QUORVANE_IP"], test::eventAddressText(details)) << line;
        EXPECT_NE(details.find(fields["QUORVANE_MAC"]), std::string::npos) << line;
        EXPECT_EQ(fields["QUORVANE_MAC"].size(), 17u) << line;
        EXPECT_TRUE(std::regex_match(fields["QUORVANE_TIME_ISO8601"], iso))
            << fields["QUORVANE_TIME_ISO8601"];
        EXPECT_EQ(fields["QUORVANE_ADAPTER"], ""); // a replay has none
        EXPECT_EQ(fields["ARGUMENTS"], "0");
        got.erase(match);
    }
}

// A program that hangs is ended after its time limit, and the watcher ends in good time.
TEST_F(WatchExec, AProgramThatHangsIsEndedAfterItsLimit) {
    const auto start = std::chrono::steady_clock::now();
    const auto run = watch(QV_SOURCE_DIR "/tests/data/captures/distance-lan-ip-conflict.pcapng",
                           script("exec sleep 60\n"), "--exec-timeout 1");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    std::size_t ended = 0;
    for (std::size_t at = 0;
         (at = run.err.find("ran longer than 1 seconds", at)) != std::string::npos; ++at) {
        ++ended;
    }
    EXPECT_EQ(ended, 12u) << run.err;
    EXPECT_EQ(runs().size(), 12u);
}

// A capture of `count` new stations' replies, `perSecond` of them in each second.
std::string floodCapture(const fs::path& folder, int count, int perSecond) {
    test::PcapWriter pcap;
    for (int i = 0; i < count; ++i) {
        const auto b = static_cast<std::uint8_t>(i % 250);
        const auto c = static_cast<std::uint8_t>(i / 250);
        pcap.add(
            1'796'580'112 + static_cast<std::uint32_t>(i / perSecond),
            static_cast<std::uint32_t>(i % perSecond),
            test::arpFrame(ARP_REPLY, {2, 0, 0, 0, c, b}, {10, 9, c, b}, test::MAC_A, test::IP7));
    }
    const std::string path = (folder / "flood.pcap").string();
    pcap.save(path);
    return path;
}

std::size_t counted(const std::string& err, const std::string& what) {
    std::smatch match;
    return std::regex_search(err, match, std::regex("(\\d+) " + what)) ? std::stoul(match[1].str())
                                                                       : 0;
}

// 2000 new stations in one second run the program three times one by one and once for the
// other 1997, once the second is over.
TEST_F(WatchExec, AFloodRunsTheProgramAFewTimesASecond) {
    const auto run = watch(floodCapture(root.path(), 2000, 2000), script());
    ASSERT_EQ(run.status, 0) << run.err;
    // The header, 1000 events one by one and the line that sums up the other 1000.
    EXPECT_EQ(linesOf(test::readText(root / "data" / "Events.csv")).size(), 1002u);
    auto got = runs();
    ASSERT_EQ(got.size(), 4u) << run.err;
    std::sort(got.begin(), got.end(), [](auto& a, auto& b) {
        return a["QUORVANE_DETAILS"].size() < b["QUORVANE_DETAILS"].size();
    });
    EXPECT_EQ(got[3]["QUORVANE_TYPE"], "New station");
    EXPECT_EQ(got[3]["QUORVANE_DETAILS"],
              "1,997 more in one second; first 10.9.0.3, hwaddr: 02-00-00-00-00-03, last "
              "10.9.7.249, hwaddr: 02-00-00-00-07-F9");
    EXPECT_EQ(got[3]["QUORVANE_IP"], "10.9.7.249");
    EXPECT_EQ(counted(run.err, "runs of the event program were started"), 4u) << run.err;
}

// Events that come faster than the program ends, three a second for 500 seconds of a replay:
// at most a few runs at once, the rest dropped and counted.
TEST_F(WatchExec, EventsFasterThanTheProgramAreDroppedAndCounted) {
    fs::create_directories(root / "running");
    const fs::path program = script("touch \"" + (root / "running").string() +
                                    "/$$\"\n"
                                    "ls \"" +
                                    (root / "running").string() +
                                    "\" | wc -l >\"$RUNS/../at-once.$$\"\n"
                                    "sleep 0.3\nrm \"" +
                                    (root / "running").string() + "/$$\"\n");
    const auto run = watch(floodCapture(root.path(), 1500, 3), program);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t ran = counted(run.err, "runs of the event program were started");
    const std::size_t dropped = counted(run.err, "events ran no program: too many");
    EXPECT_GT(dropped, 0u) << run.err;
    EXPECT_EQ(ran + dropped, 1500u) << run.err;
    EXPECT_LE(runs().size(), ran); // the last ones may have been cut short at the end
    EXPECT_LE(ran, 200u);
    std::size_t most = 0;
    for (const auto& file : fs::directory_iterator(root.path())) {
        if (file.path().filename().string().rfind("at-once.", 0) == 0) {
            most = std::max<std::size_t>(most, std::stoul(test::readText(file.path())));
        }
    }
    EXPECT_GE(most, 1u);
    EXPECT_LE(most, 4u);
}

} // namespace
} // namespace qv
