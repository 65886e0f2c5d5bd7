#pragma once

#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/data_folder.h"
#include "events/event.h"
#include "events/event_list_owner.h"
#include "events/event_rate_limit.h"

namespace qv {

inline constexpr const char* EVENTS_FILE_NAME = "Events.csv";
inline constexpr const char* EVENTS_APPEND_HEADER = "Date/Time;Type;Details";
inline constexpr const char* EVENTS_SAVE_HEADER = "Date/Time;Event details";

// The event journal: Events.csv on disk and, through its owner, the events list. Appends from any
// thread, loads and saves are serialised by one guard, so list entries reach the owner in the
// order of the file's lines and a rewrite never loses a line appended meanwhile.
class EventJournal {
public:
    EventJournal(const DataFolder& folder, const Clock& clock, EventListOwner& owner);

    // Appends the event's line (line feeds in the details become blanks) and hands the entry with
    // the event to the owner; an event without a stamp is stamped now. When the file cannot be
    // opened, nothing is written and the list is not changed. At most JOURNAL_EVENTS_PER_SECOND
    // events of one kind are journaled in a second of the clock; the rest of that second are
    // summed up in one line of their kind once it is over (see EventRateLimit).
    void JournalAppend(const Event& event);
    // The events in their order, in one open, write and close of the file.
    void JournalAppend(std::span<const Event> events);
    // Writes the summaries of a second before `now`'s.
    void closeSeconds(TDateTime now);
    // Writes every summary still waiting for its second to be over: the program is ending.
    void closeAll();
    // Replaces the owner's list with the file's entries; no file gives an empty list. False (and
    // a failure reported to the owner) when the file is there but cannot be read.
    bool LoadEventsTable();
    // Rewrites the file from `entries` under the save header, by writing a new file and renaming
    // it over the old one. False (and a failure reported) when it cannot be written, and when the
    // load could not read it: the list does not hold what the file does. A file that held lines
    // past a zero byte, which the load does not show, is first kept aside (see keepAside).
    [[nodiscard]] bool SaveEventsTable(const std::vector<EventEntry>& entries);
    // The same, with the list taken by `entries` while the guard is held: no line can be appended
    // between the moment the list is made and the rewrite, so a list that has applied every step
    // handed to it loses no line and shows none twice. `entries` must not call into the journal.
    [[nodiscard]] bool RewriteEventsTable(const std::function<std::vector<EventEntry>()>& entries);

    std::string path() const { return m_folder.DataFilePath(EVENTS_FILE_NAME); }

private:
    bool writeTable(const std::vector<EventEntry>& entries);
    void writeLines(const std::vector<Event>& events);

    // How the load found the file. Until a load, a rewrite may replace it.
    enum class Found { Read, CutShort, Unreadable };
    Found m_found = Found::Read;

    DataFolder m_folder;
    const Clock& m_clock;
    EventListOwner& m_owner;
    std::mutex m_guard;
    EventRateLimit m_limit{JOURNAL_EVENTS_PER_SECOND, EventRateLimit::Scope::EachKind};
};

// The journal's entry of a stamped event: its stamp as text, its type, its details with every line
// feed a blank.
EventEntry journalEntry(const Event& event);

// Entries of an Events.csv text: lines end at CR LF, a lone CR or a lone LF, the text at its first
// zero byte; the first line is skipped; each line gives its fields 0, 1 and 2 cut at ";".
std::vector<EventEntry> parseEventsText(std::string_view text);

} // namespace qv
