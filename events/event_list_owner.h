#pragma once

#include <string>
#include <vector>

#include "events/event.h"
#include "events/event_entry.h"

namespace qv {

// Whoever holds the events list: the main window, or the headless watcher. The journal hands it
// the list steps of its appends and loads, and tells it of failures the user must hear of.
class EventListOwner {
public:
    virtual ~EventListOwner() = default;

    // Called on the appending thread with the journal's guard held, once per line written, in
    // the order of the file's lines: the line's entry and the event it was made of (stamped). An
    // owner must only hand them on from here, never wait for a reader (a pipe, a socket, a
    // widget): it would hold every capture thread. An owner on another thread must queue the
    // entry in that same order and must not call back into the journal from here.
    virtual void appendEvent(const EventEntry& entry, const Event& event) = 0;
    // The whole list as loaded from Events.csv (journal's guard held, as above).
    virtual void replaceEvents(std::vector<EventEntry> entries) = 0;
    // The journal could not be read at start-up or rewritten; `message` names the file.
    virtual void journalFailure(const std::string& message) = 0;
};

} // namespace qv
