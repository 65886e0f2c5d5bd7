// The watcher and the files of its data folder under faults: a missing driver, files it may not
// read, damaged and hostile files, what an abrupt end leaves, and a second writer on the folder.

#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "common/instance_lock.h"
#include "engine/arp_csv_writer.h"
#include "engine/arp_frame.h"
#include "engine/station_table.h"
#include "settings/settings_file.h"
#include "tests/support/arp_frames.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/pcapng_writer.h"
#include "tests/support/process.h"
#include "tests/support/test_addresses.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr std::uint32_t T0 = 1'796'580'112; // 2026-12-06 18:01:52 UTC
constexpr uid_t OTHER_USER = 4242;

test::Frame42 request(const MacAddress& mac, const IPv4Address& ip, std::uint8_t target = 1) {
    return test::arpFrame(ARP_REQUEST, mac, ip, ZERO_MAC, {192, 168, 0, target});
}

// Two new stations a second apart.
test::PcapWriter twoStations() {
    test::PcapWriter pcap;
    pcap.add(T0, 0, request(MAC_A, IP7));
    pcap.add(T0 + 1, 0, request(MAC_B, IP9));
    return pcap;
}

const std::string TWO_STATIONS_OUT =
    "12/06/26 18:01:52;New station;192.168.0.7, hwaddr: " + MAC_A_TEXT +
    "\n"
    "12/06/26 18:01:53;New station;192.168.0.9, hwaddr: " +
    MAC_B_TEXT + "\n";

// An ipmac.dat image holding the stations given, seen at T0.
std::vector<std::uint8_t>
stationImage(std::initializer_list<std::pair<IPv4Address, MacAddress>> stations) {
    StationTable table;
    auto t = table.lock();
    for (const auto& [ip, mac] : stations) {
        t.touchStation(ip, mac, localDateTimeFromUnix(T0, 0));
    }
    return t.image();
}

std::vector<std::string> listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every line ends in CR LF and there is nothing after the last one.
bool wholeLines(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        if (text.substr(start, end - start).find_first_of("\r\n") != std::string::npos) {
            return false;
        }
    }
    return start == text.size();
}

class WatchStores : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(data); }

    std::string capture(const test::PcapWriter& pcap, const char* name = "capture.pcap") {
        const std::string path = (root / name).string();
        pcap.save(path);
        return path;
    }
    test::WatcherRun replay(const std::string& path, const std::string& prefix = "") {
        return test::runWatcher("--data-dir " + data.string() + " --read " + path, prefix);
    }
    fs::path file(const char* name) const { return data / name; }
    std::unique_ptr<StationTable> stations() const {
        auto table = std::make_unique<StationTable>();
        table->lock().loadStations(file(STATION_FILE_NAME).string());
        return table;
    }

    test::TempFolder root;
    fs::path data = root / "data";
};

TEST_F(WatchStores, WithoutTheDriverNoFileIsTouched) {
    test::writeBytes(file(STATION_FILE_NAME), stationImage({{IP7, MAC_A}}));
    ASSERT_TRUE(SaveSettings(defaultSettings("/x/"), DataFolder(data)));
    test::writeText(file("Events.csv"), "Date/Time;Type;Details\r\nold;line;here\r\n");
    const auto before = listing(data);
    const auto stationBytes = test::readBytes(file(STATION_FILE_NAME));
    const auto settingsBytes = test::readBytes(file(SETTINGS_FILE_NAME));

    const std::string noLibpcap = "LD_LIBRARY_PATH=" QV_BINARY_DIR "/tests/no-libpcap";
    auto run = test::runWatcher("--data-dir " + data.string(), noLibpcap);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("libpcap is missing"), std::string::npos) << run.err;
    EXPECT_EQ(listing(data), before);
    EXPECT_EQ(test::readBytes(file(STATION_FILE_NAME)), stationBytes);
    EXPECT_EQ(test::readBytes(file(SETTINGS_FILE_NAME)), settingsBytes);

    // Nor is a folder made.
    run = test::runWatcher("--data-dir " + (root / "new").string(), noLibpcap);
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(root / "new"));
}

// A file the user may not read, in a folder the user may write: the run goes on, the file keeps
// its bytes, owner and mode, and the exit status says that the stations were not saved. As root
// the watcher runs as another user and the file stays root's; otherwise its mode alone keeps
// the user out.
TEST_F(WatchStores, AStationFileThatCannotBeReadIsLeftAsItWas) {
    const auto image = stationImage({{IP7, MAC_A}, {IP9, MAC_C}});
    test::writeBytes(file(STATION_FILE_NAME), image);
    ASSERT_EQ(::chmod(file(STATION_FILE_NAME).c_str(), 0), 0);
    std::string prefix;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(root.path().c_str(), 0755), 0);
        ASSERT_EQ(::chown(data.c_str(), OTHER_USER, OTHER_USER), 0);
        prefix = "setpriv --reuid=" + std::to_string(OTHER_USER) +
                 " --regid=" + std::to_string(OTHER_USER) + " --clear-groups";
    }
    struct stat before {};
    ASSERT_EQ(::stat(file(STATION_FILE_NAME).c_str(), &before), 0);

    const auto run = replay(capture(twoStations()), prefix);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, TWO_STATIONS_OUT);
    EXPECT_NE(run.err.find("cannot read " + file(STATION_FILE_NAME).string()), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("left as it was"), std::string::npos) << run.err;
    struct stat after {};
    ASSERT_EQ(::stat(file(STATION_FILE_NAME).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    ASSERT_EQ(::chmod(file(STATION_FILE_NAME).c_str(), 0644), 0);
    EXPECT_EQ(test::readBytes(file(STATION_FILE_NAME)), image);
    EXPECT_FALSE(fs::exists(file("ipmac.dat.new")));
}

// What could be read of a damaged file is loaded, and the file itself is kept aside, byte for
// byte, before the first save replaces it; an earlier copy is never replaced.
TEST_F(WatchStores, ADamagedStationFileIsKeptAsideBeforeTheSave) {
    const auto whole = stationImage({{IP7, MAC_A}, {TEN1, MAC_C}});
    const auto withCount = [&](std::int32_t count) {
        auto bytes = whole;
        storeLeI32(bytes.data(), count);
        return bytes;
    };
    const auto resized = [&](std::size_t size) {
        auto bytes = whole;
        bytes.resize(size, 0x5A);
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int stationsAfter;
    } cases[] = {
        {"empty", {}, 2},
        {"one byte short", resized(STATION_FILE_SIZE - 1), 3},
        {"one byte long", resized(STATION_FILE_SIZE + 1), 3},
        {"10 MB", resized(10 << 20), 3},
        {"negative count", withCount(-1), 2},
        {"the lowest count", withCount(std::numeric_limits<std::int32_t>::min()), 2},
        {"count past the table", withCount(STATION_SLOTS + 1), STATION_SLOTS},
    };
    const std::string path = capture(twoStations());
    for (const auto& c : cases) {
        fs::remove_all(data);
        fs::create_directories(data);
        test::writeBytes(file(STATION_FILE_NAME), c.bytes);
        test::writeBytes(file("ipmac.dat.damaged"), {1, 2, 3}); // a copy from an earlier run
        auto run = replay(path);
        EXPECT_EQ(run.status, 0) << c.what << ": " << run.err;
        EXPECT_EQ(run.out.empty(), false) << c.what;
        EXPECT_NE(run.err.find("was kept as " + file("ipmac.dat.damaged.2").string()),
                  std::string::npos)
            << c.what << ": " << run.err;
        EXPECT_EQ(test::readBytes(file("ipmac.dat.damaged.2")), c.bytes) << c.what;
        EXPECT_EQ(test::readBytes(file("ipmac.dat.damaged")), (std::vector<std::uint8_t>{1, 2, 3}))
            << c.what;
        EXPECT_EQ(fs::file_size(file(STATION_FILE_NAME)), STATION_FILE_SIZE) << c.what;
        EXPECT_EQ(stations()->lock().count(), c.stationsAfter) << c.what;

        // The saved file is whole: the next run keeps nothing more aside.
        run = replay(path);
        EXPECT_EQ(run.status, 0) << c.what << ": " << run.err;
        EXPECT_FALSE(fs::exists(file("ipmac.dat.damaged.3"))) << c.what;
    }
}

// Hostile files the watcher reads and never writes: each loads to defaults or to what can be
// read, the run goes on, and the file keeps its bytes.
TEST_F(WatchStores, HostileSettingsAndJournalsAreReadAndKept) {
    Settings defaults = defaultSettings("/x/");
    const auto settingsFile = [](const Settings& record, std::size_t size) {
        SettingsImage image = encodeSettings(record);
        ScrambleSettings(image);
        std::vector<std::uint8_t> bytes(image.begin(), image.end());
        bytes.resize(size, 0xA5);
        return bytes;
    };
    Settings outOfRange = defaults;
    outOfRange.ScanRequests = -1;
    outOfRange.ScanInterval = 0;
    outOfRange.IgnoreCount = std::numeric_limits<std::int32_t>::max();
    outOfRange.AdapterCount = -7;
    outOfRange.ARPLogSizeMB = -3;
    const std::string longLine = std::string(10 << 20, 'x') + "\r\n";
    const std::string header = "Date/Time;Type;Details\r\n";
    const struct {
        const char* what;
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"settings: empty", SETTINGS_FILE_NAME, {}},
        {"settings: one byte short", SETTINGS_FILE_NAME, settingsFile(defaults, SETTINGS_SIZE - 1)},
        {"settings: one byte long", SETTINGS_FILE_NAME, settingsFile(defaults, SETTINGS_SIZE + 1)},
        {"settings: 10 MB", SETTINGS_FILE_NAME, settingsFile(defaults, 10 << 20)},
        {"settings: numbers out of range", SETTINGS_FILE_NAME,
         settingsFile(outOfRange, SETTINGS_SIZE)},
        {"journal: a 10 MB line", "Events.csv",
         std::vector<std::uint8_t>(longLine.begin(), longLine.end())},
        {"journal: zero bytes", "Events.csv", {'a', 0, 'b', '\r', '\n', 0, 0, '\r', '\n'}},
        {"journal: invalid UTF-8", "Events.csv", {0xFF, 0xC3, ';', 0x80, 0xE2, '\r', '\n'}},
    };
    const std::string path = capture(twoStations());
    for (const auto& c : cases) {
        fs::remove_all(data);
        fs::create_directories(data);
        test::writeBytes(file(c.name), c.bytes);
        const auto run = replay(path);
        EXPECT_EQ(run.status, 0) << c.what << ": " << run.err;
        EXPECT_EQ(run.out, TWO_STATIONS_OUT) << c.what;
        auto after = test::readBytes(file(c.name));
        ASSERT_GE(after.size(), c.bytes.size()) << c.what;
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), after.begin())) << c.what;
        if (c.name == std::string("Events.csv")) {
            EXPECT_EQ(std::string(after.begin() + static_cast<std::ptrdiff_t>(c.bytes.size()),
                                  after.end()),
                      "12/06/26 18:01:52;New station;192.168.0.7, hwaddr: " + MAC_A_TEXT +
                          "\r\n12/06/26 18:01:53;New station;192.168.0.9, hwaddr: " + MAC_B_TEXT +
                          "\r\n")
                << c.what;
        } else {
            EXPECT_EQ(after.size(), c.bytes.size()) << c.what;
        }
    }
}

// Lines of another program that end in a bare line feed: the last one, left open, is ended, so
// the watcher's lines start on their own; nothing of it is cut.
TEST_F(WatchStores, AJournalOfBareLineFeedsKeepsItsLastLine) {
    test::writeText(file("Events.csv"), "Date/Time;Type;Details\nby;hand;one\nby;hand;two");
    const auto run = replay(capture(twoStations()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::readText(file("Events.csv")),
              "Date/Time;Type;Details\nby;hand;one\nby;hand;two\n"
              "12/06/26 18:01:52;New station;192.168.0.7, hwaddr: " +
                  MAC_A_TEXT +
                  "\r\n12/06/26 18:01:53;New station;192.168.0.9, hwaddr: " + MAC_B_TEXT + "\r\n");
}

// Whole records with times no calendar holds: they load, the run goes on, and the save keeps
// them as they were.
TEST_F(WatchStores, RecordsWithDamagedTimesAreKept) {
    auto image = stationImage({{IP7, MAC_A}, {TEN1, MAC_C}, {TEN2, MAC_C}});
    const double damaged[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    for (std::size_t i = 0; i < 3; ++i) {
        storeLeDouble(&image[4 + i * STATION_RECORD_SIZE + 16], damaged[i]);
    }
    test::writeBytes(file(STATION_FILE_NAME), image);
    test::PcapWriter pcap;
    pcap.add(T0, 0, request(MAC_B, IP7)); // IP7 moves from MAC_A, whose time is NaN
    const auto run = replay(capture(pcap));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "12/06/26 18:01:52;New station;192.168.0.7, hwaddr: " + MAC_B_TEXT + "\n");
    const auto table = stations();
    auto t = table->lock();
    ASSERT_EQ(t.count(), 4);
    EXPECT_TRUE(std::isnan(t.record(0).lastUpdate));
    EXPECT_EQ(t.record(1).lastUpdate, std::numeric_limits<double>::infinity());
}

// A threshold below zero (a hand-made file) would report every station in every pass, so the
// replay could never skip a silent stretch: twenty years of capture time then took twenty years
// of passes. Out-of-range numbers are brought into range, and skipping does not depend on them.
TEST_F(WatchStores, ANegativeThresholdNeitherHangsTheReplayNorReportsEveryone) {
    Settings s = defaultSettings("/x/");
    s.ScanRequests = -1;
    s.ScanInterval = -5;
    ASSERT_TRUE(SaveSettings(s, DataFolder(data)));
    test::PcapWriter pcap;
    pcap.add(T0, 0, request(MAC_A, IP7));
    pcap.add(T0 + 20 * 365 * 86'400u, 0, request(MAC_A, IP7));
    const auto run = replay(capture(pcap));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "12/06/26 18:01:52;New station;192.168.0.7, hwaddr: " + MAC_A_TEXT + "\n");
}

// The passes run on to the capture's last frame, ARP or not, and one after it, as they would
// have live: the request counts in ipmac.dat are those of a pass 31 s after the scan, when its
// requests have left the 20-second window.
TEST_F(WatchStores, TheLastPassFollowsTheFramesAfterTheLastArpFrame) {
    test::PcapWriter pcap;
    for (int i = 0; i < 150; ++i) {
        pcap.add(T0, static_cast<std::uint32_t>(i * 1000),
                 request(MAC_B, TEN1, static_cast<std::uint8_t>(i)));
    }
    auto ipv4 = std::vector<std::uint8_t>(60, 0);
    ipv4[12] = 0x08;
    for (std::uint32_t s = 1; s <= 30; ++s) {
        pcap.add(T0 + s, 0, ipv4);
    }
    const auto run = replay(capture(pcap));
    EXPECT_EQ(run.status, 0) << run.err;
    const auto table = stations();
    auto t = table->lock();
    ASSERT_EQ(t.count(), 1);
    EXPECT_EQ(t.record(0).requestCount, 0);
    // The last pass that still counted the burst ran 20 s after it.
    EXPECT_EQ(DateTimeText(t.record(0).lastScanning), "12/06/26 18:02:12");
}

// pcapng stamps are 64-bit and its interfaces may move them (if_tsoffset): frames from before
// 1970 and after 2106 keep their dates.
TEST_F(WatchStores, PcapngTimesBefore1970AndAfter2106KeepTheirDates) {
    constexpr std::int64_t JANUARY_1960 = -315'619'200;
    constexpr std::int64_t JANUARY_2110 = 4'417'977'600;
    test::PcapngWriter pcapng(JANUARY_1960);
    pcapng.add(std::uint64_t{0}, request(MAC_A, IP7));
    pcapng.add(static_cast<std::uint64_t>(JANUARY_2110 - JANUARY_1960) * 1'000'000 + 500'000,
               request(MAC_B, IP9));
    const std::string path = (root / "times.pcapng").string();
    pcapng.save(path);
    const auto run = replay(path);
    EXPECT_EQ(run.status, 0) << run.err;
    const auto table = stations();
    auto t = table->lock();
    ASSERT_EQ(t.count(), 2);
    EXPECT_EQ(t.record(t.findPair(IP7, MAC_A)).lastUpdate, encodeDateTime({1960, 1, 1}));
    EXPECT_DOUBLE_EQ(t.record(t.findPair(IP9, MAC_B)).lastUpdate,
                     encodeDateTime({2110, 1, 1, 0, 0, 0, 500}));
}

// What a kill leaves (a save's new file, lines cut short) is mended before the folder is used;
// what was cut is kept in a file of its own, since only the program's own lines end in CR LF.
TEST_F(WatchStores, TheNextStartMendsWhatAnAbruptEndLeft) {
    const std::string arpCsv = "Date/Time;Operation;Source IP;Source MAC;Destination IP;"
                               "Destination MAC\r\nwhole;line;1;2;3;4\r\n";
    test::writeText(file("ARP.csv"), arpCsv + "12/06/26 18:0");
    test::writeText(file("Events.csv"), "Date/Time;Type;Details\r\nwhole;line;here\r");
    for (const char* name : {"ipmac.dat.new", "Quorvane.cfg.new", "Events.csv.new"}) {
        test::writeText(file(name), "left by a kill");
    }
    const auto run = replay(capture(twoStations()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("ARP.csv ended in a line cut short; it was moved to " +
                           file("ARP.csv.damaged").string()),
              std::string::npos)
        << run.err;
    EXPECT_EQ(listing(data),
              (std::vector<std::string>{"ARP.csv", "ARP.csv.damaged", "Events.csv",
                                        "Events.csv.damaged", "Quorvane.lock", "ipmac.dat"}));
    EXPECT_EQ(test::readText(file("ARP.csv.damaged")), "12/06/26 18:0");
    EXPECT_EQ(test::readText(file("Events.csv.damaged")), "whole;line;here\r");
    const std::string csv = test::readText(file("ARP.csv"));
    EXPECT_EQ(csv.substr(0, arpCsv.size()), arpCsv);
    EXPECT_TRUE(wholeLines(csv));
    const std::string events = test::readText(file("Events.csv"));
    EXPECT_EQ(events.substr(0, 41), "Date/Time;Type;Details\r\n12/06/26 18:01:52");
    EXPECT_TRUE(wholeLines(events));
}

// An ARP.csv or Events.csv whose very first line a kill cut off starts again with its header.
TEST_F(WatchStores, AFileCutBeforeItsFirstLineEndedGetsItsHeader) {
    test::writeText(file("ARP.csv"), "Date/Ti");
    test::writeText(file("Events.csv"), "");
    const auto run = replay(capture(twoStations()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::readText(file("ARP.csv")).substr(0, 20), std::string(ARP_CSV_HEADER, 20));
    EXPECT_EQ(test::readText(file("Events.csv")).substr(0, 24), "Date/Time;Type;Details\r\n");
    EXPECT_EQ(test::readText(file("ARP.csv.damaged")), "Date/Ti");
}

// True when `path` is held by an flock of some process.
bool isLocked(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return false;
    }
    std::ifstream locks("/proc/locks");
    const std::string inode = ":" + std::to_string(status.st_ino) + " ";
    for (std::string line; std::getline(locks, line);) {
        if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// One writer per folder: while a watcher replays a capture that is still being written (a
// pipe), a second one on the same folder is refused, and the first one's files come out exactly
// as a run alone makes them.
TEST_F(WatchStores, ASecondWatcherIsRefusedAndTheFirstsFilesAreUntouched) {
    test::PcapWriter pcap;
    for (std::uint32_t s = 0; s < 40; ++s) {
        pcap.add(T0 + s, 0, request(MAC_A, {10, 0, 2, static_cast<std::uint8_t>(s)}));
    }
    const auto& bytes = pcap.bytes();
    const std::string pipe = (root / "pipe.pcap").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    test::BackgroundProcess first("LC_ALL=C TZ=UTC exec " QV_BINARY_DIR
                                  "/quorvane-watch --data-dir " +
                                  data.string() + " --read " + pipe + " >/dev/null 2>&1");
    const int fd = ::open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::size_t half = 24 + 20 * (16 + 42);
    ASSERT_EQ(::write(fd, bytes.data(), half), static_cast<ssize_t>(half));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!isLocked(file(LOCK_FILE_NAME)) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(isLocked(file(LOCK_FILE_NAME)));

    const auto second = replay(capture(twoStations()));
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("the data folder " + data.string() + " is in use"), std::string::npos)
        << second.err;
    EXPECT_TRUE(second.out.empty());

    ASSERT_EQ(::write(fd, bytes.data() + half, bytes.size() - half),
              static_cast<ssize_t>(bytes.size() - half));
    ::close(fd);
    ASSERT_EQ(first.wait(std::chrono::seconds(60)), 0);

    const fs::path alone = root / "alone";
    const auto run =
        test::runWatcher("--data-dir " + alone.string() + " --read " + capture(pcap, "whole.pcap"));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"ARP.csv", "Events.csv", STATION_FILE_NAME}) {
        EXPECT_EQ(test::readBytes(data / name), test::readBytes(alone / name)) << name;
    }
    EXPECT_EQ(listing(data), listing(alone));
}

} // namespace
} // namespace qv
