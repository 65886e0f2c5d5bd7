#pragma once

#include <mutex>
#include <vector>

#include "events/event_entry.h"

namespace qv {

// The journal's list steps on their way to the events list on the GUI thread. The journal hands
// them over under its guard, so they queue here in the order of the file's lines, from any
// thread; the GUI thread takes them all at once and applies them in that order.
class EventSteps {
public:
    struct Step {
        bool replace = false; // the whole list, as loaded; otherwise entries to append
        std::vector<EventEntry> entries;
    };

    void append(const EventEntry& entry);
    // A load replaces the list: steps queued before it are dropped, since the file it was read
    // from holds their lines already.
    void replace(std::vector<EventEntry> entries);
    std::vector<Step> take();

private:
    std::mutex m_guard;
    std::vector<Step> m_steps;
};

} // namespace qv
