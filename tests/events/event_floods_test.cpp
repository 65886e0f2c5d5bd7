// Floods of events against the journal's limit of events of one kind a second and the
// announcements' lower limit of events a second in all, on a clock the test sets.

#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/file_descriptor.h"
#include "events/event_journal.h"
#include "events/flood_watch.h"
#include "events/notifier.h"
#include "tests/support/recording_owner.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

const TDateTime AT = encodeDateTime({2026, 12, 6, 18, 1, 52, 0});

TDateTime at(double seconds) {
    return AT + seconds / SECONDS_PER_DAY;
}

std::string stampOf(double seconds) {
    return DateTimeText(at(seconds));
}

std::string stationText(int n) {
    return "10.1." + std::to_string(n / 256 % 256) + "." + std::to_string(n % 256) +
           ", hwaddr: 02-00-00-00-00-00";
}

Event event(EventKind kind, int n, TDateTime stamp) {
    Event e{kind, stamp, std::nullopt, std::nullopt, {}, stationText(n)};
    return e;
}

class Floods : public ::testing::Test {
protected:
    // The lines of Events.csv after its header.
    std::vector<std::string> lines() const {
        const std::string text = test::readText(folder.folder() / EVENTS_FILE_NAME);
        std::vector<std::string> out;
        for (std::size_t start = text.find("\r\n") + 2, end;
             (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            out.push_back(text.substr(start, end - start));
        }
        return out;
    }
    // `count` events of `kind` numbered from `first`, spread over the second that begins `second`
    // seconds after AT, journaled as a capture thread hands them over: a read buffer's worth at a
    // time.
    void journalSecond(EventKind kind, int count, double second, int first = 0) {
        std::vector<Event> batch;
        for (int i = 0; i < count; ++i) {
            batch.push_back(event(kind, first + i, at(second + 0.9 * i / count)));
            if (batch.size() == 3200 || i + 1 == count) {
                journal.JournalAppend(batch);
                batch.clear();
            }
        }
    }

    test::TempFolder root;
    DataFolder folder{root / "data"};
    ManualClock clock{AT};
    test::RecordingOwner owner;
    EventJournal journal{folder, clock, owner};
};

// Up to the limit every event has its line; past it one line, written once the second is over,
// sums up the rest with the first and the last of them.
TEST(JournalLimit, OneKindInOneSecondIsJournaledUpToTheLimitAndTheRestSummedUp) {
    struct Case {
        int events;
        std::string summary; // empty: none
    };
    const std::vector<Case> cases = {
        {254, ""},
        {999, ""},
        {1000, ""},
        {1001, "1 more in one second; first " + stationText(1000) + ", last " + stationText(1000)},
        {100'000,
         "99,000 more in one second; first " + stationText(1000) + ", last " + stationText(99'999)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events);
        test::TempFolder root;
        DataFolder folder(root.path());
        ManualClock clock(AT);
        test::RecordingOwner owner;
        EventJournal journal(folder, clock, owner);
        std::vector<Event> events;
        for (int i = 0; i < c.events; ++i) {
            events.push_back(event(EventKind::NewStation, i, at(0.9 * i / c.events)));
        }
        journal.JournalAppend(events);
        const std::size_t oneByOne = static_cast<std::size_t>(std::min(c.events, 1000));
        journal.closeSeconds(at(0.999)); // not over yet
        ASSERT_EQ(owner.entries.size(), oneByOne);
        EXPECT_EQ(owner.entries.back().Details, stationText(static_cast<int>(oneByOne) - 1));
        journal.closeSeconds(at(1.0));
        const std::string text = test::readText(folder.folder() / EVENTS_FILE_NAME);
        if (c.summary.empty()) {
            EXPECT_EQ(owner.entries.size(), oneByOne);
            continue;
        }
        ASSERT_EQ(owner.entries.size(), oneByOne + 1);
        const std::string line = stampOf(0.9) + ";New station;" + c.summary + "\r\n";
        ASSERT_GE(text.size(), line.size());
        EXPECT_EQ(text.substr(text.size() - line.size()), line);
        EXPECT_EQ(owner.events.back().summarized, static_cast<std::uint64_t>(c.events - 1000));
    }
}

// Each kind has a limit of its own; the summaries of a second come in the order of the kinds,
// after the second's last line and before the next second's first.
TEST_F(Floods, TwoKindsAtOnceAreCountedApart) {
    std::vector<Event> batch;
    for (int i = 0; i < 1500; ++i) {
        batch.push_back(event(EventKind::EthernetMismatch, i, at(0.0005 * i)));
        batch.push_back(event(EventKind::NewStation, i, at(0.0005 * i)));
    }
    journal.JournalAppend(batch);
    journal.JournalAppend(event(EventKind::NewActivity, 7, at(1.2)));
    const auto got = lines();
    ASSERT_EQ(got.size(), 2000u + 2u + 1u);
    for (std::size_t i = 0; i < 2000; ++i) {
        EXPECT_NE(got[i].find(i % 2 == 0 ? ";Ethernet mismatch;" : ";New station;"),
                  std::string::npos)
            << i;
    }
    EXPECT_EQ(got[2000], stampOf(0.7495) + ";New station;500 more in one second; first " +
                             stationText(1000) + ", last " + stationText(1499));
    EXPECT_EQ(got[2001], stampOf(0.7495) + ";Ethernet mismatch;500 more in one second; first " +
                             stationText(1000) + ", last " + stationText(1499));
    EXPECT_EQ(got[2002], stampOf(1.2) + ";New activity;" + stationText(7));
}

// Every second of a flood is summed up on its own; the last second waits until a later time is
// seen, or the program ends. A clock put back begins a second of its own.
TEST_F(Floods, AFloodOverSeveralSecondsIsSummedUpSecondBySecond) {
    for (int second = 0; second < 3; ++second) {
        journalSecond(EventKind::NewStation, 1500, second, second * 1500);
    }
    auto got = lines();
    ASSERT_EQ(got.size(), 3u * 1000u + 2u);
    EXPECT_EQ(got[1000].substr(0, got[1000].find(';')), stampOf(0.9 * 1499 / 1500));
    EXPECT_NE(got[1000].find(";500 more in one second; first " + stationText(1000)),
              std::string::npos);
    EXPECT_EQ(got[1001], stampOf(1.0) + ";New station;" + stationText(1500));
    EXPECT_NE(got[2001].find(";500 more in one second; first " + stationText(2500)),
              std::string::npos);

    journalSecond(EventKind::NewStation, 1001, -60.0, 9000);
    got = lines();
    ASSERT_EQ(got.size(), 3u * 1000u + 3u + 1000u);
    EXPECT_NE(got[3002].find(";500 more in one second; first " + stationText(4000)),
              std::string::npos);
    EXPECT_EQ(got[3003], stampOf(-60.0) + ";New station;" + stationText(9000));
    journal.closeAll();
    EXPECT_EQ(lines().back().substr(lines().back().find(';')),
              ";New station;1 more in one second; first " + stationText(10'000) + ", last " +
                  stationText(10'000));
}

// The events of a read buffer are written with one open of the file.
TEST_F(Floods, ABufferOfEventsIsWrittenInOneOpen) {
    journal.JournalAppend(event(EventKind::NewStation, 0, at(0))); // the file is there
    const FileDescriptor watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(watch);
    ASSERT_GE(inotify_add_watch(watch.get(), (folder.folder() / EVENTS_FILE_NAME).c_str(), IN_OPEN),
              0);
    journalSecond(EventKind::NewStation, 900, 0.0, 1);
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch.get(), buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            opens += (e->mask & IN_OPEN) != 0;
            p += sizeof(inotify_event) + e->len;
        }
    }
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(lines().size(), 901u);
}

struct Announced {
    std::string title;
    std::string text;
    bool operator==(const Announced&) const = default;
};

class Recorder : public BalloonPresenter, public MessageDispatcher, public AnnouncementSink {
public:
    void showBalloon(const std::string& title, const std::string& text) override {
        balloons.push_back({title, text});
    }
    void StartSendMessageJob(std::string, std::string, std::string text) override {
        messages.push_back(text);
    }
    void announce(const Event& event) noexcept override { sunk.push_back(event); }
    std::vector<Announced> balloons;
    std::vector<std::string> messages;
    std::vector<Event> sunk;
};

// Three events a second of any kind are announced one by one, the rest of the second summed up
// once it is over, one announcement per kind; the journal keeps every one of them.
TEST_F(Floods, AnnouncementsKeepToAFewASecondInAll) {
    Settings s = defaultSettings("/x/");
    s.NotifyBalloon = 1;
    s.NotifySendMessage = 1;
    setFieldText(s.ComputerList, "PC1");
    SharedSettings settings(s);
    Recorder recorder;
    Notifier notifier(settings, journal, clock, {&recorder, nullptr, &recorder, {&recorder}});
    std::vector<Event> batch;
    for (int i = 0; i < 10; ++i) {
        batch.push_back(
            event(i % 3 == 0 ? EventKind::EthernetMismatch : EventKind::NewStation, i, 0.0));
    }
    clock.set(at(0.2));
    notifier.AnnounceEvents(batch);
    notifier.closeSeconds();
    const std::vector<Announced> oneByOne = {
        {"Ethernet mismatch", stationText(0)},
        {"New station", stationText(1)},
        {"New station", stationText(2)},
    };
    EXPECT_EQ(recorder.balloons, oneByOne);
    clock.set(at(1.0));
    notifier.closeSeconds();
    auto expected = oneByOne;
    expected.push_back({"New station", "4 more in one second; first " + stationText(4) + ", last " +
                                           stationText(8)});
    expected.push_back({"Ethernet mismatch", "3 more in one second; first " + stationText(3) +
                                                 ", last " + stationText(9)});
    EXPECT_EQ(recorder.balloons, expected);
    ASSERT_EQ(recorder.messages.size(), 5u);
    EXPECT_EQ(recorder.messages[3], expected[3].text);
    ASSERT_EQ(recorder.sunk.size(), 5u);
    EXPECT_EQ(recorder.sunk[4].summarized, 3u);
    EXPECT_EQ(recorder.sunk[4].stamp, at(0.2)); // stamped as the last it stands for
    EXPECT_EQ(lines().size(), 10u);
}

TEST(FloodWatch, AFloodBeginsAfterAQuietMinuteAndGoesOnWhileSummariesCome) {
    FloodWatch flood;
    EXPECT_FALSE(flood.goingOn(at(0)));
    EXPECT_TRUE(flood.summaryWritten(at(0)));
    EXPECT_FALSE(flood.summaryWritten(at(1)));
    EXPECT_FALSE(flood.summaryWritten(at(61)));
    EXPECT_TRUE(flood.goingOn(at(121)));
    EXPECT_FALSE(flood.goingOn(at(122)));
    EXPECT_TRUE(flood.summaryWritten(at(122)));
}

} // namespace
} // namespace qv
