#include "events/notifier.h"

#include <gtest/gtest.h>

#include "tests/support/recording_owner.h"
#include "tests/support/temp_folder.h"

namespace qv {
using namespace std::string_literals;

namespace {

struct Call {
    std::string what;
    std::string a;
    std::string b;
    std::string c;
    bool operator==(const Call&) const = default;
};

// Records balloons, sounds and send jobs in the order they happen, with the journal's appends.
class Recorder : public BalloonPresenter, public SoundPlayer, public MessageDispatcher {
public:
    std::vector<Call>* calls;
    void showBalloon(const std::string& title, const std::string& text) override {
        calls->push_back({"balloon", title, text, ""});
    }
    void playSound(const std::string& path) override { calls->push_back({"play", path, "", ""}); }
    void stopSound() override { calls->push_back({"stop", "", "", ""}); }
    void StartSendMessageJob(std::string targets, std::string sender, std::string text) override {
        calls->push_back({"send", targets, sender, text});
    }
};

class JournalOwner : public test::RecordingOwner {
public:
    std::vector<Call>* calls;
    void appendEvent(const EventEntry& entry, const Event&) override {
        calls->push_back({"journal", entry.Type, entry.Details, ""});
    }
};

const std::string SCAN = "Host 10.0.0.9\n(MAC: 00-0C-29-3A-4B-5C) generated 101 requests.";

class NotifierTest : public ::testing::Test {
protected:
    NotifierTest() {
        recorder.calls = &calls;
        owner.calls = &calls;
        test::writeText(root / "event.wav", "RIFF");
    }
    Settings settingsWith(bool balloon, bool sound, bool send, const std::string& soundFile) {
        Settings s = defaultSettings((root.path() / "").string());
        s.NotifyBalloon = balloon;
        s.NotifySound = sound;
        s.NotifySendMessage = send;
        setFieldText(s.SoundFile, soundFile);
        setFieldText(s.ComputerList, "PC1;;PC3");
        return s;
    }

    test::TempFolder root;
    std::vector<Call> calls;
    Recorder recorder;
    JournalOwner owner;
    ManualClock clock{46000.0};
    EventJournal journal{DataFolder(root / "data"), clock, owner};
};

TEST_F(NotifierTest, AnnouncesInOrderAndKeepsTheLineFeedOutsideTheJournal) {
    SharedSettings settings(settingsWith(true, true, true, (root / "event.wav").string()));
    Notifier notifier(settings, journal, clock, {&recorder, &recorder, &recorder, {}});
    notifier.AnnounceEvent(test::eventOf("Network scanning", SCAN));
    const std::vector<Call> expected = {
        {"balloon", "Network scanning", SCAN, ""},
        {"play", (root / "event.wav").string(), "", ""},
        {"send", "PC1;;PC3", "Quorvane", SCAN},
        {"journal", "Network scanning",
         "Host 10.0.0.9 (MAC: 00-0C-29-3A-4B-5C) generated 101 requests.", ""},
    };
    EXPECT_EQ(calls, expected);
}

TEST_F(NotifierTest, WithEveryMethodOffTheEventIsOnlyJournaled) {
    SharedSettings settings(settingsWith(false, false, false, (root / "event.wav").string()));
    Notifier notifier(settings, journal, clock, {&recorder, &recorder, &recorder, {}});
    notifier.AnnounceEvent(test::eventOf("New station", "x"));
    EXPECT_EQ(calls, (std::vector<Call>{{"journal", "New station", "x", ""}}));
}

TEST_F(NotifierTest, AMissingSoundFileStopsAnySoundAndPlaysNone) {
    for (const std::string& missing : {(root / "gone.wav").string(), root.path().string(), ""s}) {
        calls.clear();
        SharedSettings settings(settingsWith(false, true, false, missing));
        Notifier notifier(settings, journal, clock, {&recorder, &recorder, &recorder, {}});
        notifier.AnnounceEvent(test::eventOf("New station", "x"));
        ASSERT_EQ(calls.size(), 2u) << missing;
        EXPECT_EQ(calls[0].what, "stop") << missing;
    }
}

TEST_F(NotifierTest, ASendJobGetsTheListAsItWasWhenTheEventCame) {
    SharedSettings settings(settingsWith(false, false, true, ""));
    Notifier notifier(settings, journal, clock, {nullptr, nullptr, &recorder, {}});
    notifier.AnnounceEvent(test::eventOf("Flip flop", "x"));
    settings.setText(&Settings::ComputerList, "OTHER");
    notifier.AnnounceEvent(test::eventOf("Flip flop", "y"));
    EXPECT_EQ(calls[0], (Call{"send", "PC1;;PC3", "Quorvane", "x"}));
    EXPECT_EQ(calls[2], (Call{"send", "OTHER", "Quorvane", "y"}));
}

} // namespace
} // namespace qv
