#pragma once

#include <span>

#include "events/event.h"

namespace qv {

// The one entry for every detected event. The engine raises events through this interface, on
// capture threads and on the scan timer's thread alike, never with a store's guard held.
class EventAnnouncer {
public:
    virtual ~EventAnnouncer() = default;
    virtual void AnnounceEvent(const Event& event) = 0;
    // The events of one read buffer, in their order, handed on together; an event without a
    // stamp may be stamped in place.
    virtual void AnnounceEvents(std::span<Event> events) {
        for (const Event& event : events) {
            AnnounceEvent(event);
        }
    }
    // The once-a-second pass: whatever waits for its second to be over goes out now.
    virtual void closeSeconds() {}
};

} // namespace qv
