#include "engine/capture.h"

#include <gtest/gtest.h>

#include "engine/pcap/pcap_driver.h"
#include "engine/pcap/pcap_library.h"
#include "tests/support/engine_harness.h"
#include "tests/support/fake_packet_driver.h"

namespace qv {
namespace {

// A read buffer holding `count` ARP frames from distinct stations numbered from `first`.
test::FakeRead buffer(int first, int count, bool full) {
    std::vector<std::uint8_t> bytes(CAPTURE_BUFFER_SIZE);
    std::size_t used = 0;
    for (int n = first; n < first + count; ++n) {
        const MacAddress mac{
            2, 0, 0, 0, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
        const auto f =
            test::arpFrame(ARP_REQUEST, mac,
                           {10, 1, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
                           ZERO_MAC, {10, 1, 255, 254});
        appendCapturedFrame(bytes, used, {0, 0, 42, 60, 0}, f);
    }
    bytes.resize(used);
    return {bytes, full};
}

class Capture : public ::testing::Test {
protected:
    Capture() {
        driver.adapters = {{"eth0", "Intel Ethernet", "192.168.1.5"}, {"eth1", "Realtek", ""}};
    }
    test::EngineHarness h;
    test::FakePacketDriver driver;
    CaptureControl control{driver, h.detector};
};

TEST_F(Capture, FramesOfEveryReadReachTheDetector) {
    driver.reads["eth0"] = {buffer(0, 100, false), buffer(100, 50, false)};
    ASSERT_EQ(control.enumerateAdapters(), 2);
    control.startCapture(0);
    driver.waitUntilDrained("eth0");
    control.stopAll();
    EXPECT_EQ(control.adapter(0).run->framesProcessed(), 150u);
    EXPECT_EQ(h.table.lock().count(), 150);
    EXPECT_EQ(driver.open("eth0"), 0); // the adapter was released
}

// Damaged buffers from the driver end their own walk and nothing else: the thread goes on with
// the next read.
TEST_F(Capture, AHostileReadEndsOnlyItsOwnWalk) {
    test::FakeRead zeroHeaderLength = buffer(0, 3, false);
    zeroHeaderLength.bytes[64 + 16] = 0; // the second record's header length
    zeroHeaderLength.bytes[64 + 17] = 0;
    test::FakeRead cutHeader = buffer(10, 2, false);
    cutHeader.bytes.resize(cutHeader.bytes.size() + 10, 0xFF);
    test::FakeRead lyingLength = buffer(20, 2, false);
    lyingLength.bytes[8] = 0xFF; // the first record claims 4 GB
    lyingLength.bytes[11] = 0xFF;
    driver.reads["eth0"] = {zeroHeaderLength, cutHeader, lyingLength, buffer(30, 5, false)};
    control.enumerateAdapters();
    control.startCapture(0);
    driver.waitUntilDrained("eth0");
    control.stopAll();
    EXPECT_EQ(control.adapter(0).run->framesProcessed(), 1u + 2u + 1u + 5u);
}

// The capture thread is the driver's edge: a read that throws ends that capture as a failed one,
// its adapter released, and leaves the process and the other adapters running.
TEST_F(Capture, AReadThatThrowsEndsOnlyItsCaptureAsFailed) {
    test::FakeRead gone;
    gone.throws = true;
    driver.reads["eth0"] = {buffer(0, 5, false), gone};
    driver.reads["eth1"] = {buffer(100, 3, false)};
    control.enumerateAdapters();
    control.startCapture(0);
    control.startCapture(1);
    const auto run = control.adapter(0).run;
    while (run->phase() != CaptureRun::Phase::Failed) {
        std::this_thread::yield();
    }
    EXPECT_EQ(run->error(), "the adapter went away");
    EXPECT_EQ(run->framesProcessed(), 5u);
    EXPECT_EQ(driver.open("eth0"), 0);
    driver.waitUntilDrained("eth1");
    control.stopAll();
    EXPECT_EQ(control.adapter(1).run->framesProcessed(), 3u);
    EXPECT_EQ(h.table.lock().count(), 8);
}

TEST_F(Capture, StartingTwiceMakesOneThread) {
    control.enumerateAdapters();
    control.startCapture(0);
    control.startCapture(0);
    EXPECT_EQ(control.adapter(0).threadState, CaptureRunning);
    control.stopAll();
    EXPECT_EQ(driver.opens("eth0"), 1);
}

TEST_F(Capture, StoppingAnIdleAdapterOnlySetsTheFlag) {
    control.enumerateAdapters();
    control.stopCapture(1);
    EXPECT_EQ(control.adapter(1).stopRequested, 1);
    EXPECT_EQ(control.adapter(1).threadState, CaptureNone);
    EXPECT_FALSE(control.adapter(1).threadHandle.joinable());
    EXPECT_EQ(driver.opens("eth1"), 0);
}

// The fake's silent read waits without a time limit: the thread can only end because the stop
// woke it, and a restart waits for the old thread before opening the adapter again.
TEST_F(Capture, AStopWakesASilentAdapterAndARestartNeverOverlapsIt) {
    control.enumerateAdapters();
    control.startCapture(0);
    const auto first = control.adapter(0).run;
    while (first->phase() != CaptureRun::Phase::Capturing) {
        std::this_thread::yield();
    }
    control.stopCapture(0);
    control.startCapture(0);
    EXPECT_TRUE(first->stopRequested()); // the restart did not take the stop back
    EXPECT_EQ(first->phase(), CaptureRun::Phase::Ended);
    EXPECT_NE(control.adapter(0).run, first);
    control.stopAll();
    EXPECT_EQ(driver.opens("eth0"), 2);
    EXPECT_EQ(driver.mostOpenAtOnce("eth0"), 1);
    EXPECT_EQ(driver.open("eth0"), 0);
}

TEST_F(Capture, OnlyReadsThatDidNotFillTheBufferArePaused) {
    driver.reads["eth0"] = {buffer(0, 10, true), buffer(10, 10, true), buffer(20, 10, false)};
    driver.reads["eth1"] = {buffer(0, 10, false), buffer(10, 10, false), buffer(20, 10, false)};
    control.enumerateAdapters();
    control.startCapture(0);
    control.startCapture(1);
    driver.waitUntilDrained("eth0");
    driver.waitUntilDrained("eth1");
    control.stopAll();
    // Reads that did not fill the buffer are followed by a pause, unless the stop has come; the
    // two full reads by none. (The third read may or may not pause, as the stop falls.)
    const auto& busy = *control.adapter(0).run;
    const auto& quiet = *control.adapter(1).run;
    EXPECT_GE(busy.reads(), 3u);
    EXPECT_LE(busy.pauses(), 1u);
    EXPECT_GE(quiet.pauses(), 2u);
    EXPECT_LE(quiet.pauses(), 3u);
}

TEST_F(Capture, AnAdapterThatCannotBeOpenedKeepsItsStateUntilStopped) {
    driver.openErrors["eth1"] = "no such device";
    control.enumerateAdapters();
    control.startCapture(1);
    while (control.adapter(1).run->phase() == CaptureRun::Phase::Opening) {
        std::this_thread::yield();
    }
    EXPECT_EQ(control.adapter(1).run->phase(), CaptureRun::Phase::Failed);
    EXPECT_EQ(control.adapter(1).run->error(), "no such device");
    EXPECT_EQ(control.adapter(1).threadState, CaptureRunning);
    control.startCapture(1);
    EXPECT_EQ(driver.opens("eth1"), 1);
    control.stopCapture(1);
    control.startCapture(1);
    control.stopAll();
    EXPECT_EQ(driver.opens("eth1"), 2);
}

TEST_F(Capture, TheTableHoldsSixteenAdaptersWithTheirDisplayTexts) {
    driver.adapters.clear();
    for (int i = 0; i < 20; ++i) {
        driver.adapters.push_back(
            {"eth" + std::to_string(i), "Card " + std::to_string(i), i == 0 ? "192.168.1.5" : ""});
    }
    EXPECT_EQ(control.enumerateAdapters(), MAX_CAPTURE_ADAPTERS);
    EXPECT_EQ(control.adapter(15).adapterName, "eth15");
    EXPECT_EQ(adapterDisplayText(control.adapter(0)), "Card 0 (192.168.1.5)");
    EXPECT_EQ(adapterDisplayText(control.adapter(1)), "Card 1");
    EXPECT_FALSE(control.addAdapter("extra"));
    driver.adapters.clear();
    EXPECT_EQ(control.enumerateAdapters(), 0);
}

TEST_F(Capture, AFirstRunSelectsEveryAdapterAndLaterRunsTheirSelection) {
    control.enumerateAdapters();
    control.startSelected(h.settings, false);
    Settings s = h.settings.snapshot();
    ASSERT_EQ(s.AdapterCount, 2);
    EXPECT_EQ(fieldText(s.AdapterNames[0]), "eth0");
    EXPECT_EQ(fieldText(s.AdapterNames[1]), "eth1");
    EXPECT_EQ(control.adapter(0).threadState, CaptureRunning);
    EXPECT_EQ(control.adapter(1).threadState, CaptureRunning);
    control.stopAll();

    test::EngineHarness other;
    test::FakePacketDriver otherDriver;
    otherDriver.adapters = driver.adapters;
    CaptureControl selected(otherDriver, other.detector);
    other.settings.update([](Settings& r) {
        setFieldText(r.AdapterNames[0], "ETH1"); // names match byte for byte
        setFieldText(r.AdapterNames[1], "eth1");
        setFieldText(r.AdapterNames[2], "eth0"); // beyond the count
        r.AdapterCount = 2;
    });
    selected.enumerateAdapters();
    selected.startSelected(other.settings, true);
    EXPECT_EQ(selected.adapter(0).threadState, CaptureNone);
    EXPECT_EQ(selected.adapter(1).threadState, CaptureRunning);
    EXPECT_EQ(other.settings.snapshot().AdapterCount, 2);
}

TEST(PacketDriver, BindingCountsWhatIsMissing) {
    PcapApi api;
    EXPECT_EQ(loadPcapApi({"libquorvane-no-such-library.so.9"}, api), -1);
    EXPECT_EQ(loadPcapApi({"libquorvane-no-such-library.so.9", "libc.so.6"}, api),
              PCAP_ENTRY_POINTS);
    EXPECT_EQ(loadPcapApi(PCAP_SONAMES, api), 0) << "libpcap0.8 is installed by ./test";
}

TEST(PacketDriver, TheAdaptersAddressIsItsFirstThatIsNotZero) {
    EXPECT_EQ(firstUsableAddress({{0, 0, 0, 0}, {192, 168, 1, 5}, {10, 0, 0, 1}}),
              (IPv4Address{192, 168, 1, 5}));
    EXPECT_FALSE(firstUsableAddress({{0, 0, 0, 0}}));
    EXPECT_FALSE(firstUsableAddress({}));
    EXPECT_FALSE(isEthernetInterface("lo"));
    EXPECT_FALSE(isEthernetInterface("any"));
    EXPECT_FALSE(isEthernetInterface(std::string(40, 'x')));
}

} // namespace
} // namespace qv
