#include <new>
#include <system_error>

#include <gtest/gtest.h>

#include "events/notifier.h"
#include "tests/support/engine_harness.h"
#include "tests/support/recording_owner.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

// What the standard library may throw on the packet path ends a frame at most, never a capture
// thread or the process.

TEST(PacketPath, ASendJobWithoutAThreadStillJournalsTheEventAndLogsTheFrame) {
    Settings s = defaultSettings("/x/");
    s.NotifySendMessage = 1;
    EngineHarness h(s);
    RecordingOwner owner;
    EventJournal journal(h.folder, h.clock, owner);
    int starts = 0;
    SendJobs jobs([](const std::string&, std::string_view, std::string_view,
                     std::string_view) { return true; },
                  [&](std::function<void()>) {
                      ++starts;
                      throw std::system_error(
                          std::make_error_code(std::errc::resource_unavailable_try_again));
                  });
    Notifier notifier(h.settings, journal, h.clock, {nullptr, nullptr, &jobs, {}});
    ArpDetector detector(h.settings, h.stores(), notifier, h.clock);

    detector.processArpFrame(arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY));

    EXPECT_EQ(starts, 1);
    EXPECT_EQ(jobs.droppedJobs(), 1);
    EXPECT_EQ(detector.failedFrames(), 0u);
    ASSERT_EQ(owner.entries.size(), 1u);
    EXPECT_EQ(owner.entries[0].Type, "New station");
    EXPECT_NE(readText(h.folder.folder() / "Events.csv").find("New station;192.168.0.7"),
              std::string::npos);
    EXPECT_NE(h.csv().find(";request;192.168.0.7;"), std::string::npos);
}

// Throws once, on the announcement chosen, as an allocation that fails would.
class FailingAnnouncer : public EventAnnouncer {
public:
    explicit FailingAnnouncer(int failOn) : m_failOn(failOn) {}
    void AnnounceEvent(const Event& event) override {
        if (++m_calls == m_failOn) {
            throw std::bad_alloc();
        }
        announced.emplace_back(event.type());
    }
    std::vector<std::string> announced;

private:
    int m_failOn;
    int m_calls = 0;
};

TEST(PacketPath, AFrameCutShortByAnExceptionIsCountedAndTheNextOneGoesThrough) {
    EngineHarness h;
    FailingAnnouncer announcer(1);
    ArpDetector detector(h.settings, h.stores(), announcer, h.clock);

    detector.processArpFrame(arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY));
    EXPECT_EQ(detector.failedFrames(), 1u);
    // The table's guard was released on the way out, and the binding stays recorded.
    EXPECT_EQ(h.table.lock().count(), 1);

    detector.processArpFrame(arpFrame(ARP_REQUEST, MAC_B, IP9, ZERO_MAC, GATEWAY));
    EXPECT_EQ(detector.failedFrames(), 1u);
    EXPECT_EQ(announcer.announced, std::vector<std::string>{"New station"});
    EXPECT_EQ(h.liveLog->lock().count(), 2);
    EXPECT_NE(h.csv().find(";request;192.168.0.9;"), std::string::npos);
}

TEST(PacketPath, AScanPassCutShortIsCountedAndNotIdle) {
    EngineHarness h;
    FailingAnnouncer announcer(1);
    ScanDetector scans(h.settings, h.table, *h.table6, *h.liveLog, announcer, h.clock,
                       h.detector.adapterNames());
    for (int i = 0; i < 101; ++i) {
        h.frame(arpFrame(ARP_REQUEST, MAC_B, SCANNER, ZERO_MAC,
                         {10, 0, 1, static_cast<std::uint8_t>(i)}));
    }
    EXPECT_FALSE(scans.detectScans());
    EXPECT_EQ(scans.failedPasses(), 1u);
}

} // namespace
} // namespace qv
