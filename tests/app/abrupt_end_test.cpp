// Abrupt ends: SIGKILL at random moments of a long replay that saves ipmac.dat as it goes, and of
// saves themselves. Whatever the moment, the next start finds only whole lines in ARP.csv and
// Events.csv, ipmac.dat absent or a whole image that loads, and no save's new file.

#include <csignal>
#include <iostream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/folder_repair.h"
#include "engine/arp_frame.h"
#include "engine/station_table.h"
#include "tests/support/arp_frames.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr std::uint32_t T0 = 1'796'580'112;

// 300,000 requests from 3000 stations over five minutes; every 50,000 frames each station's card
// changes, so events are journaled all along.
test::PcapWriter longCapture() {
    constexpr int FRAMES = 300'000;
    constexpr int STATIONS = 3000;
    test::PcapWriter pcap;
    for (int n = 0; n < FRAMES; ++n) {
        const int i = n % STATIONS;
        const MacAddress mac{2,
                             0,
                             0,
                             static_cast<std::uint8_t>(i >> 8),
                             static_cast<std::uint8_t>(i),
                             static_cast<std::uint8_t>(n / 50'000)};
        const IPv4Address ip{10, 1, static_cast<std::uint8_t>(i / 250),
                             static_cast<std::uint8_t>(i % 250)};
        pcap.add(T0 + static_cast<std::uint32_t>(n / 1000),
                 static_cast<std::uint32_t>(n % 1000) * 1000,
                 test::arpFrame(ARP_REQUEST, mac, ip, ZERO_MAC, {10, 1, 0, 1}));
    }
    return pcap;
}

// Every line ends in CR LF and holds at least `separators` semicolons (exactly, when `exact`).
::testing::AssertionResult wholeLines(const fs::path& path, long separators, bool exact) {
    const std::string text = test::readText(path);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string_view line(text.data() + start, end - start);
        const auto count = std::count(line.begin(), line.end(), ';');
        if (line.find_first_of("\r\n") != std::string_view::npos || count < separators ||
            (exact && count != separators)) {
            return ::testing::AssertionFailure() << path << " has the line " << line;
        }
    }
    if (start != text.size()) {
        return ::testing::AssertionFailure() << path << " ends in " << text.substr(start);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult wholeTableOrNone(const fs::path& path) {
    if (!fs::exists(path)) {
        return ::testing::AssertionSuccess();
    }
    if (fs::file_size(path) != STATION_FILE_SIZE) {
        return ::testing::AssertionFailure() << path << " holds " << fs::file_size(path);
    }
    StationTable table;
    auto t = table.lock();
    const int count = t.loadStations(path.string());
    if (count < 1 || t.image() != test::readBytes(path)) {
        return ::testing::AssertionFailure() << path << " does not load whole";
    }
    return ::testing::AssertionSuccess();
}

// Files that are none of the data files nor a copy kept aside: what a save left behind.
std::vector<fs::path> strayFiles(const fs::path& folder) {
    const std::vector<std::string> known = {"ARP.csv", "Events.csv", "ipmac.dat", "Quorvane.cfg",
                                            "Quorvane.lock"};
    std::vector<fs::path> found;
    if (fs::exists(folder)) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            const bool dataFile = std::any_of(known.begin(), known.end(), [&](const auto& k) {
                return name == k || name.starts_with(k + ".damaged");
            });
            if (!dataFile) {
                found.push_back(entry.path());
            }
        }
    }
    return found;
}

bool linesWereCut(const fs::path& folder) {
    return fs::exists(folder / "ARP.csv.damaged") || fs::exists(folder / "Events.csv.damaged");
}

TEST(AbruptEnd, KillsDuringALongReplayLeaveNothingTheNextStartCannotMend) {
    constexpr int TRIALS = 24;
    test::TempFolder root;
    const std::string capture = (root / "long.pcap").string();
    longCapture().save(capture);
    test::PcapWriter next;
    next.add(T0 + 400, 0, test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY));
    const std::string nextCapture = (root / "next.pcap").string();
    next.save(nextCapture);
    const auto command = [&](const fs::path& data) {
        return "LC_ALL=C TZ=UTC exec " QV_BINARY_DIR "/quorvane-watch --checkpoint 0 --data-dir " +
               data.string() + " --read " + capture + " >/dev/null 2>&1";
    };

    const auto begin = std::chrono::steady_clock::now();
    {
        test::BackgroundProcess whole(command(root / "whole"));
        ASSERT_EQ(whole.wait(std::chrono::seconds(120)), 0);
    }
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - begin);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> moment(0, duration.count());
    int killed = 0;
    int midSave = 0;
    int cut = 0;
    for (int trial = 0; trial < TRIALS; ++trial) {
        const fs::path data = root / ("trial" + std::to_string(trial));
        {
            test::BackgroundProcess run(command(data));
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            run.signal(SIGKILL);
            killed += run.wait(std::chrono::seconds(60)) == 128 + SIGKILL;
        }
        midSave += !strayFiles(data).empty();
        EXPECT_TRUE(wholeTableOrNone(data / STATION_FILE_NAME)) << "trial " << trial;

        const auto after =
            test::runWatcher("--data-dir " + data.string() + " --read " + nextCapture);
        ASSERT_EQ(after.status, 0) << "trial " << trial << ": " << after.err;
        EXPECT_TRUE(strayFiles(data).empty()) << "trial " << trial;
        EXPECT_TRUE(wholeTableOrNone(data / STATION_FILE_NAME)) << "trial " << trial;
        EXPECT_TRUE(wholeLines(data / "ARP.csv", 5, true)) << "trial " << trial;
        EXPECT_TRUE(wholeLines(data / "Events.csv", 2, false)) << "trial " << trial;
        cut += linesWereCut(data);
    }
    std::cout << killed << " of " << TRIALS << " runs killed, " << midSave
              << " of them while a save's new file was there, " << cut
              << " in the middle of a line\n";
    EXPECT_GT(killed, 0);
}

// A save killed at any moment leaves the old table or the new one, whole, and at most its new
// file, which the next start removes.
TEST(AbruptEnd, KillsDuringSavesLeaveTheOldTableOrTheNew) {
    constexpr int TRIALS = 200;
    test::TempFolder root;
    const DataFolder folder(root / "data");
    const std::string path = folder.DataFilePath(STATION_FILE_NAME);
    StationTable one;
    StationTable two;
    one.lock().touchStation(IP7, MAC_A, 1000.0);
    two.lock().touchStation(IP9, MAC_B, 2000.0);
    two.lock().touchStation(IP7, MAC_A, 2000.0);
    const auto imageOne = one.lock().image();
    const auto imageTwo = two.lock().image();

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(0, 3000);
    int midSave = 0;
    for (int trial = 0; trial < TRIALS; ++trial) {
        const pid_t saver = ::fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            for (;;) { // killed at a random moment: whether a save got through is beside the point
                static_cast<void>(one.lock().saveStations(path));
                static_cast<void>(two.lock().saveStations(path));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(saver, SIGKILL);
        ::waitpid(saver, nullptr, 0);
        midSave += !strayFiles(folder.folder()).empty();
        if (fs::exists(path)) {
            const auto bytes = test::readBytes(path);
            EXPECT_TRUE(bytes == imageOne || bytes == imageTwo) << "trial " << trial;
        }
        repairDataFolder(folder);
        EXPECT_TRUE(strayFiles(folder.folder()).empty()) << "trial " << trial;
    }
    std::cout << midSave << " of " << TRIALS << " kills came while a new file was there\n";
}

} // namespace
} // namespace qv
