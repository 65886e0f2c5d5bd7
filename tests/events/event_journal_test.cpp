#include "events/event_journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/other_user.h"
#include "tests/support/recording_owner.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

const TDateTime AT = encodeDateTime({2026, 12, 6, 18, 1, 52, 0});
const std::string STAMP = "12/06/26 18:01:52";

class Journal : public ::testing::Test {
protected:
    test::TempFolder root;
    DataFolder folder = DataFolder::underRoot(root / "var" / "lib");
    ManualClock clock{AT};
    test::RecordingOwner owner;
    EventJournal journal{folder, clock, owner};
    std::filesystem::path file() const { return folder.folder() / EVENTS_FILE_NAME; }
};

TEST_F(Journal, TheFirstEventCreatesTheFolderAndTheFileWithItsHeader) {
    journal.JournalAppend(test::eventOf("New station", "192.168.0.7, hwaddr: 00-1B-21-3A-4F-10"));
    EXPECT_EQ(test::readText(file()),
              "Date/Time;Type;Details\r\n" + STAMP +
                  ";New station;192.168.0.7, hwaddr: 00-1B-21-3A-4F-10\r\n");
    ASSERT_EQ(owner.entries.size(), 1u);
    EXPECT_EQ(owner.entries[0],
              (EventEntry{STAMP, "New station", "192.168.0.7, hwaddr: 00-1B-21-3A-4F-10"}));
}

TEST_F(Journal, LineFeedsBecomeBlanksWhileCarriageReturnsStay) {
    journal.JournalAppend(test::eventOf(
        "Network scanning", "Host 10.0.0.9\n(MAC: 00-0C-29-3A-4B-5C) generated 101 requests."));
    journal.JournalAppend(test::eventOf("Flip flop", "one\rtwo"));
    EXPECT_EQ(owner.entries[0].Details,
              "Host 10.0.0.9 (MAC: 00-0C-29-3A-4B-5C) generated 101 requests.");
    EXPECT_EQ(owner.entries[1].Details, "one\rtwo");

    ASSERT_TRUE(journal.LoadEventsTable());
    ASSERT_EQ(owner.entries.size(), 3u); // the carriage return split the second entry
    EXPECT_EQ(owner.entries[0].Details,
              "Host 10.0.0.9 (MAC: 00-0C-29-3A-4B-5C) generated 101 requests.");
    EXPECT_EQ(owner.entries[1], (EventEntry{STAMP, "Flip flop", "one"}));
    EXPECT_EQ(owner.entries[2], (EventEntry{"two", "", ""}));
}

TEST_F(Journal, ASavedJournalKeepsItsHeaderUnderLaterAppends) {
    journal.JournalAppend(test::eventOf("New station", "a"));
    ASSERT_TRUE(journal.SaveEventsTable({}));
    EXPECT_EQ(test::readText(file()), "Date/Time;Event details\r\n");
    clock.set(encodeDateTime({2026, 12, 7, 0, 0, 0, 0}));
    journal.JournalAppend(test::eventOf("New activity", "b"));
    EXPECT_EQ(test::readText(file()), "Date/Time;Event details\r\n12/07/26;New activity;b\r\n");

    ASSERT_TRUE(journal.SaveEventsTable({{"s1", "t1", "d1"}, {"s2", "t2", ""}}));
    EXPECT_EQ(test::readText(file()), "Date/Time;Event details\r\ns1;t1;d1\r\ns2;t2;\r\n");
}

TEST_F(Journal, WithoutAFileTheListStartsEmpty) {
    owner.entries.push_back({"x", "y", "z"});
    EXPECT_TRUE(journal.LoadEventsTable());
    EXPECT_TRUE(owner.entries.empty());
    EXPECT_EQ(owner.loads, 1);
    EXPECT_TRUE(owner.failures.empty());
}

TEST_F(Journal, FailuresToReadOrRewriteAreReportedNamingTheFile) {
    std::filesystem::create_directories(file()); // a folder where the file should be
    owner.entries.push_back({"kept", "", ""});
    EXPECT_FALSE(journal.LoadEventsTable());
    EXPECT_FALSE(journal.SaveEventsTable({}));
    ASSERT_EQ(owner.failures.size(), 2u);
    EXPECT_NE(owner.failures[0].find(file().string()), std::string::npos);
    EXPECT_NE(owner.failures[1].find(file().string()), std::string::npos);
    EXPECT_EQ(owner.entries.size(), 1u);
}

// The load shows the lines before a zero byte only; the file still holds the others, so the first
// rewrite keeps it aside, byte for byte, instead of dropping them.
TEST_F(Journal, ARewriteKeepsAsideAJournalWhoseLinesWereNotAllShown) {
    const std::string text = std::string("h\r\na;b;c\r\nd;e") + '\0' + "f\r\ng;h;i\r\n";
    test::writeText(journal.path(), text);
    ASSERT_TRUE(journal.LoadEventsTable());
    EXPECT_EQ(owner.entries, (std::vector<EventEntry>{{"a", "b", "c"}, {"d", "e", ""}}));
    ASSERT_TRUE(journal.SaveEventsTable(owner.entries));
    EXPECT_EQ(test::readText(file().string() + ".damaged"), text);
    EXPECT_EQ(test::readText(file()), "Date/Time;Event details\r\na;b;c\r\nd;e;\r\n");
    ASSERT_TRUE(journal.SaveEventsTable({}));
    EXPECT_FALSE(std::filesystem::exists(file().string() + ".damaged.2"));
}

// A journal that could not be read (here one the user may write but not read) is not replaced
// by a list that lacks its lines.
TEST_F(Journal, AJournalThatCouldNotBeReadIsNeverRewritten) {
    const std::string path = journal.path();
    test::writeText(path, "h\r\na;b;c\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), test::OTHER_USER, test::OTHER_USER), 0);
    }
    const int result = test::asUserBoundByModes(folder.folder(), [&] {
        return journal.LoadEventsTable()                        ? 1
               : journal.SaveEventsTable({{"new", "list", ""}}) ? 2
                                                                : 0;
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(test::readText(path), "h\r\na;b;c\r\n");
}

TEST_F(Journal, AnEventThatCannotBeWrittenIsNotListed) {
    std::filesystem::create_directories(file());
    journal.JournalAppend(test::eventOf("New station", "x"));
    EXPECT_TRUE(owner.entries.empty());
    EXPECT_TRUE(owner.failures.empty());
}

TEST(ParseEventsText, SkipsTheFirstLineAndCutsThreeFields) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<EventEntry> entries;
    };
    const Case cases[] = {
        {"header only", "Date/Time;Type;Details\r\n", {}},
        {"empty", "", {}},
        {"two fields", "h\r\na;b\r\n", {{"a", "b", ""}}},
        {"empty line", "h\r\n\r\nx;y;z\r\n", {{"", "", ""}, {"x", "y", "z"}}},
        {"four fields", "h\r\na;b;c;d;e\r\n", {{"a", "b", "c"}}},
        {"first line is an entry", "a;b;c\r\nd;e;f\r\n", {{"d", "e", "f"}}},
        {"no final line end", "h\r\na;b;c", {{"a", "b", "c"}}},
        {"lone CR and LF", "h\ra;b;c\nd;e;f\r", {{"a", "b", "c"}, {"d", "e", "f"}}},
        {"text ends at a zero byte",
         std::string("h\r\na;b;c\r\nd;e") + '\0' + "f;g;h\r\n",
         {{"a", "b", "c"}, {"d", "e", ""}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseEventsText(c.text), c.entries) << c.what;
    }
}

} // namespace
} // namespace qv
