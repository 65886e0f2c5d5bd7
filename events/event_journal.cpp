#include "events/event_journal.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/text_fields.h"

namespace qv {
namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

} // namespace

std::vector<EventEntry> parseEventsText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    const auto lines = splitLines(text);
    std::vector<EventEntry> entries;
    entries.reserve(lines.empty() ? 0 : lines.size() - 1);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        entries.push_back({ExtractField(lines[i], ';', 0), ExtractField(lines[i], ';', 1),
                           ExtractField(lines[i], ';', 2)});
    }
    return entries;
}

EventJournal::EventJournal(const DataFolder& folder, const Clock& clock, EventListOwner& owner)
    : m_folder(folder), m_clock(clock), m_owner(owner) {}

EventEntry journalEntry(const Event& event) {
    EventEntry entry{DateTimeText(event.stamp), event.type(), event.details};
    std::replace(entry.Details.begin(), entry.Details.end(), '\n', ' ');
    return entry;
}

void EventJournal::JournalAppend(const Event& event) {
    JournalAppend(std::span(&event, 1));
}

void EventJournal::JournalAppend(std::span<const Event> events) {
    std::lock_guard lock(m_guard);
    std::vector<Event> lines;
    for (const Event& event : events) {
        if (event.stamp != 0.0) {
            m_limit.pass(event, lines);
            continue;
        }
        // Stamped under the guard, so the file's lines are also in time order.
        Event stamped = event;
        stamped.stamp = m_clock.now();
        m_limit.pass(stamped, lines);
    }
    writeLines(lines);
}

void EventJournal::closeSeconds(TDateTime now) {
    std::lock_guard lock(m_guard);
    std::vector<Event> lines;
    m_limit.close(now, lines);
    writeLines(lines);
}

void EventJournal::closeAll() {
    std::lock_guard lock(m_guard);
    std::vector<Event> lines;
    m_limit.closeAll(lines);
    writeLines(lines);
}

// The caller holds the guard.
void EventJournal::writeLines(const std::vector<Event>& events) {
    if (events.empty()) {
        return;
    }
    bool created = false;
    const FileDescriptor fd = openForAppend(path(), created);
    if (!fd) {
        return;
    }
    std::vector<EventEntry> entries;
    entries.reserve(events.size());
    std::string text = created ? std::string(EVENTS_APPEND_HEADER) + "\r\n" : std::string();
    for (const Event& event : events) {
        entries.push_back(journalEntry(event));
        text += eventLine(entries.back());
        text += "\r\n";
    }
    static_cast<void>(writeAll(fd.get(), text)); // a failed write is not reported
    for (std::size_t i = 0; i < events.size(); ++i) {
        m_owner.appendEvent(entries[i], events[i]);
    }
}

bool EventJournal::LoadEventsTable() {
    std::lock_guard lock(m_guard);
    const std::string file = path();
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 && errno == ENOENT) {
        m_found = Found::Read;
        m_owner.replaceEvents({});
        return true;
    }
    const auto bytes = readFilePrefix(file, std::numeric_limits<std::size_t>::max());
    if (!bytes || !S_ISREG(status.st_mode)) {
        m_found = Found::Unreadable;
        m_owner.journalFailure("Cannot read the event journal \"" + file + "\".");
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    // Lines past a zero byte are not shown; the first rewrite keeps the file aside for them.
    m_found = text.find('\0') != std::string_view::npos ? Found::CutShort : Found::Read;
    m_owner.replaceEvents(parseEventsText(text));
    return true;
}

bool EventJournal::SaveEventsTable(const std::vector<EventEntry>& entries) {
    std::lock_guard lock(m_guard);
    return writeTable(entries);
}

bool EventJournal::RewriteEventsTable(const std::function<std::vector<EventEntry>()>& entries) {
    std::lock_guard lock(m_guard);
    return writeTable(entries());
}

// The caller holds the guard.
bool EventJournal::writeTable(const std::vector<EventEntry>& entries) {
    std::string text = std::string(EVENTS_SAVE_HEADER) + "\r\n";
    for (const EventEntry& entry : entries) {
        text += eventLine(entry) + "\r\n";
    }
    const std::string file = path();
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    // A journal that could not be read is not replaced by what the list holds; one whose lines
    // were not all read is kept aside first.
    const bool keep = m_found == Found::CutShort;
    if (m_found == Found::Unreadable || (keep && !mayReplace(file)) || (keep && !keepAside(file)) ||
        !replaceFileContents(file, bytes)) {
        m_owner.journalFailure("Cannot write the event journal \"" + file + "\".");
        return false;
    }
    m_found = Found::Read;
    return true;
}

} // namespace qv
