#include "engine/replay_driver.h"

#include <gtest/gtest.h>

#include "tests/support/engine_harness.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

constexpr std::uint32_t T0 = 1'796'580'112; // 2026-12-06 18:01:52 UTC

test::Frame42 request(std::uint8_t target) {
    return test::arpFrame(ARP_REQUEST, MAC_B, {10, 0, 0, 9}, ZERO_MAC, {10, 0, 1, target});
}

class Replay : public ::testing::Test {
protected:
    void feed(std::uint32_t seconds, std::uint32_t microseconds, std::uint8_t target = 1) {
        const auto f = request(target);
        driver.onArpFrame({seconds, microseconds, 42, 42, 20}, f);
        frameTimes.push_back(DateTimeText(h.clock.now()));
    }

    test::EngineHarness h;
    std::vector<std::string> passTimes;
    std::vector<std::string> frameTimes;
    ReplayDriver driver{h.detector,
                        [this] {
                            passTimes.push_back(DateTimeText(h.clock.now()));
                            return h.scans.detectScans();
                        },
                        h.clock};
};

TEST_F(Replay, PassesRunEverySecondOfCaptureTimeBeforeTheFramesThatFollowThem) {
    feed(T0, 500'000);
    feed(T0 + 1, 400'000); // the pass due at t0 + 1 s runs first
    feed(T0 + 3, 500'000); // then those at t0 + 2 s and t0 + 3 s
    driver.finish();       // and one more after the last frame
    EXPECT_EQ(frameTimes, (std::vector<std::string>{"12/06/26 18:01:52", "12/06/26 18:01:53",
                                                    "12/06/26 18:01:55"}));
    EXPECT_EQ(passTimes, (std::vector<std::string>{"12/06/26 18:01:53", "12/06/26 18:01:54",
                                                   "12/06/26 18:01:55", "12/06/26 18:01:56"}));
    EXPECT_EQ(driver.framesProcessed(), 3u);
}

TEST_F(Replay, APassDueExactlyAtAFramesTimeRunsBeforeIt) {
    driver.onOtherFrame({T0, 0, 60, 60, 20});
    feed(T0 + 1, 0);
    EXPECT_EQ(passTimes.size(), 1u);
    EXPECT_EQ(h.liveLog->lock().count(), 1); // the pass ran before the frame was logged
}

// The passes run on the time of every frame, ARP or not: the request counts a capture leaves
// behind are those a live run would have left.
TEST_F(Replay, PassesFollowTheFramesThatAreNotArpUpToTheLastOne) {
    feed(T0, 0);
    for (std::uint32_t s = 1; s <= 3; ++s) {
        driver.onOtherFrame({T0 + s, 0, 60, 60, 20});
    }
    driver.finish();
    EXPECT_EQ(passTimes, (std::vector<std::string>{"12/06/26 18:01:53", "12/06/26 18:01:54",
                                                   "12/06/26 18:01:55", "12/06/26 18:01:56"}));
}

// A capture header keeps 32 bits of seconds; the times given beside it are whole, before 1970
// and after 2106 alike.
TEST_F(Replay, FrameTimesGivenBesideTheHeadersWin) {
    constexpr std::int64_t BEFORE_1970 = -86'400LL * 365 * 1'000'000; // 1 January 1969
    constexpr std::int64_t AFTER_2106 = 4'354'819'200LL * 1'000'000;  // 1 January 2108
    driver.setFrameTimes({BEFORE_1970, AFTER_2106});
    const auto f = request(1);
    driver.onArpFrame({0, 0, 42, 42, 20}, f);
    EXPECT_EQ(h.clock.now(), localTimeOfMicroseconds(BEFORE_1970));
    driver.onArpFrame({0, 0, 42, 42, 20}, f);
    EXPECT_EQ(h.clock.now(), localTimeOfMicroseconds(AFTER_2106));
    EXPECT_EQ(DateTimeText(h.clock.now()).substr(0, 8), "01/01/08");
}

TEST_F(Replay, NoFramesMeansNoPass) {
    driver.finish();
    EXPECT_TRUE(passTimes.empty());
}

// Skipping idle passes must not change anything a file or an event shows: compare with a pass
// run for every second of a capture with a long silence in it.
TEST_F(Replay, SkippingIdlePassesChangesNothing) {
    test::EngineHarness every;
    ScanDetector& everyScans = every.scans;
    const std::vector<std::uint32_t> seconds = {0, 0, 1, 2, 400, 5000, 5000, 5001, 5003};
    std::int64_t nextPass = T0 + 1;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        for (int k = 0; k < 120; ++k) { // over the threshold in every burst
            feed(T0 + seconds[i], static_cast<std::uint32_t>(k * 1000),
                 static_cast<std::uint8_t>(k));
            const std::uint32_t s = T0 + seconds[i];
            for (; nextPass <= s; ++nextPass) {
                every.clock.set(localDateTimeFromUnix(nextPass, 0));
                everyScans.detectScans();
            }
            every.clock.set(localDateTimeFromUnix(s, k * 1000));
            const auto f = request(static_cast<std::uint8_t>(k));
            every.detector.processArpFrame(f);
        }
    }
    driver.onBufferEnd(); // as the walk of the last buffer ends
    driver.finish();
    every.clock.set(localDateTimeFromUnix(nextPass, 0));
    everyScans.detectScans();

    EXPECT_EQ(h.announcer.events, every.announcer.events);
    EXPECT_EQ(h.table.lock().image(), every.table.lock().image());
    EXPECT_EQ(h.csv(), every.csv());
    EXPECT_LT(driver.passesRun(), 1000u); // instead of 5004
}

} // namespace
} // namespace qv
