#include <gtest/gtest.h>

#include "common/instance_lock.h"
#include "engine/arp_frame.h"
#include "engine/station_table.h"
#include "settings/settings_file.h"
#include "tests/support/arp_frames.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/test_addresses.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

using namespace test;

constexpr std::uint32_t T0 = 1'796'580'112; // 2026-12-06 18:01:52 UTC

std::string golden(const std::string& name) {
    return test::readText(std::string(QV_SOURCE_DIR) + "/tests/data/" + name);
}

std::vector<std::uint8_t> padded(const test::Frame42& frame, std::size_t size) {
    std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
    bytes.resize(size, 0);
    return bytes;
}

// Every binding case in a few seconds of traffic, with frames the walk must pass over.
test::PcapWriter bindingsCapture() {
    test::PcapWriter pcap;
    pcap.add(T0, 0, test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY));
    pcap.add(T0, 500'000, test::arpFrame(ARP_REPLY, MAC_B, GATEWAY, MAC_A, IP7));
    pcap.add(T0 + 2, 200'000,
             test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY, &BROADCAST_MAC));
    pcap.add(T0 + 3, 0, test::arpFrame(ARP_REQUEST, MAC_C, IP7, ZERO_MAC, GATEWAY));
    pcap.add(T0 + 3, 500'000,
             test::arpFrame(ARP_REQUEST, MAC_C, ZERO_IP, ZERO_MAC, {192, 168, 0, 50}));
    pcap.add(T0 + 4, 0, test::arpFrame(ARP_REQUEST, MAC_A, IP9, ZERO_MAC, GATEWAY));
    auto ipv4 = padded(test::arpFrame(ARP_REQUEST, MAC_A, IP9, ZERO_MAC, GATEWAY), 60);
    ipv4[12] = 0x08;
    ipv4[13] = 0x00;
    pcap.add(T0 + 4, 500'000, ipv4);
    pcap.add(T0 + 5, 0, test::arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY));
    pcap.add(T0 + 6, 0, padded(test::arpFrame(3, MAC_B, GATEWAY, MAC_A, IP9), 60));
    const auto shortFrame = test::arpFrame(ARP_REQUEST, MAC_C, IP9, ZERO_MAC, GATEWAY);
    pcap.add(T0 + 6, 500'000,
             std::vector<std::uint8_t>(shortFrame.begin(), shortFrame.begin() + 30));
    return pcap;
}

// Requests from one host: 101 in the first second, 50 at 30 s and 101 at 40 s.
test::PcapWriter scanCapture() {
    test::PcapWriter pcap;
    auto burst = [&](std::uint32_t second, int count) {
        for (int i = 0; i < count; ++i) {
            pcap.add(T0 + second, static_cast<std::uint32_t>(i * 9000),
                     test::arpFrame(ARP_REQUEST, MAC_B, {10, 0, 0, 9}, ZERO_MAC,
                                    {10, 0, 1, static_cast<std::uint8_t>(i)}));
        }
    };
    burst(0, 101);
    burst(30, 50);
    burst(40, 101);
    return pcap;
}

class WatchReplay : public ::testing::Test {
protected:
    std::string capture(const test::PcapWriter& pcap) {
        const std::string path = (root / "capture.pcap").string();
        pcap.save(path);
        return path;
    }
    test::WatcherRun replay(const std::string& path) {
        return test::runWatcher("--data-dir " + data.string() + " --read " + path);
    }
    std::string file(const char* name) const { return test::readText(data / name); }
    std::unique_ptr<StationTable> stations() const {
        auto table = std::make_unique<StationTable>();
        table->lock().loadStations((data / STATION_FILE_NAME).string());
        return table;
    }

    test::TempFolder root;
    std::filesystem::path data = root / "data";
};

TEST_F(WatchReplay, BindingEventsMatchTheHandWrittenFiles) {
    const auto run = replay(capture(bindingsCapture()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, golden("replay/bindings/stdout.txt"));
    EXPECT_EQ(file("Events.csv"), golden("replay/bindings/Events.csv"));
    EXPECT_EQ(file("ARP.csv"), golden("replay/bindings/ARP.csv"));
    EXPECT_FALSE(std::filesystem::exists(data / SETTINGS_FILE_NAME)); // never written

    const auto table = stations();
    auto t = table->lock();
    ASSERT_EQ(t.count(), 4);
    EXPECT_EQ(std::filesystem::file_size(data / STATION_FILE_NAME), STATION_FILE_SIZE);
    EXPECT_NE(t.findPair(IP9, MAC_A), NO_STATION);
    EXPECT_EQ(DateTimeText(t.record(t.findPair(IP7, MAC_A)).lastUpdate), "12/06/26 18:01:57");
}

TEST_F(WatchReplay, ScanEventsFollowTheCapturesClock) {
    const auto run = replay(capture(scanCapture()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, golden("replay/scan/stdout.txt"));
    EXPECT_EQ(file("Events.csv"), golden("replay/scan/Events.csv"));
    const auto table = stations();
    auto t = table->lock();
    ASSERT_EQ(t.count(), 1);
    // The last pass ran at 41 s, one second after the last burst began.
    EXPECT_EQ(DateTimeText(t.record(0).lastScanning), "12/06/26 18:02:33");
    EXPECT_EQ(t.record(0).requestCount, 151);
}

TEST_F(WatchReplay, TheStoresOfAnEarlierRunAndItsSettingsAreUsed) {
    replay(capture(bindingsCapture()));
    Settings s = defaultSettings("/x/");
    s.DetectFlipFlop = 0;
    ASSERT_TRUE(SaveSettings(s, DataFolder(data)));
    const auto settingsBytes = test::readBytes(data / SETTINGS_FILE_NAME);

    const auto run = replay(capture(bindingsCapture()));
    EXPECT_EQ(run.status, 0) << run.err;
    // Every binding is known now; only the address checks still report, and the flip flop of
    // 00-1B-21-3A-4F-10 back to 192.168.0.7 is switched off.
    EXPECT_EQ(run.out, "12/06/26 18:01:54;Ethernet broadcast;The source mac(FF-FF-FF-FF-FF-FF) or "
                       "arp ethernet address(00-1B-21-3A-4F-10) was all ones or all zeros.\n"
                       "12/06/26 18:01:54;Ethernet mismatch;The source mac ethernet "
                       "address(FF-FF-FF-FF-FF-FF) didn`t match the address inside the arp "
                       "packet(00-1B-21-3A-4F-10).\n");
    EXPECT_EQ(test::readBytes(data / SETTINGS_FILE_NAME), settingsBytes);
    EXPECT_EQ(stations()->lock().count(), 4);
}

TEST_F(WatchReplay, ARealCaptureMatchesItsHandWrittenExpectations) {
    const auto run =
        replay(std::string(QV_SOURCE_DIR) + "/tests/data/captures/zeek-arp-who-has.pcap");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, golden("captures/zeek-arp-who-has.stdout.txt"));
    EXPECT_EQ(file("ARP.csv"), golden("captures/zeek-arp-who-has.ARP.csv"));
}

TEST_F(WatchReplay, ACaptureCutShortIsProcessedAsFarAsItGoesAndSaved) {
    auto bytes = bindingsCapture().bytes();
    bytes.resize(24 + 2 * (16 + 42) + 16 + 20); // two whole frames, then half of the third
    test::writeBytes(root / "cut.pcap", bytes);
    const auto run = replay((root / "cut.pcap").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cut short"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, golden("replay/bindings/stdout.txt").substr(0, run.out.size()));
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2);
    EXPECT_EQ(stations()->lock().count(), 2);
}

TEST_F(WatchReplay, MissingAndForeignCapturesAreRefusedClearly) {
    auto run = replay((root / "missing.pcap").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.pcap"), std::string::npos) << run.err;

    test::writeText(root / "text.pcap", "this is not a capture");
    run = replay((root / "text.pcap").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot read"), std::string::npos) << run.err;

    test::PcapWriter cooked(113);
    cooked.add(T0, 0, std::vector<std::uint8_t>(60, 0));
    run = replay(capture(cooked));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("LINUX_SLL (113) is not Ethernet"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

// One writer per data folder: a folder held by another process is refused by name, and nothing
// of it is touched.
TEST_F(WatchReplay, AFolderInUseIsRefusedAndLeftAlone) {
    const std::string path = capture(bindingsCapture());
    const InstanceLock holder{DataFolder(data)};
    ASSERT_EQ(holder.state(), InstanceLock::State::Acquired);
    const auto run = replay(path);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the data folder " + data.string() + " is in use"), std::string::npos)
        << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(data), {}),
              std::vector<std::filesystem::path>{data / LOCK_FILE_NAME});
}

} // namespace
} // namespace qv
