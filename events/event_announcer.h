#pragma once

#include "events/event.h"

namespace qv {

// The one entry for every detected event. The engine raises events through this interface, on
// capture threads and on the scan timer's thread alike, never with a store's guard held.
class EventAnnouncer {
public:
    virtual ~EventAnnouncer() = default;
    virtual void AnnounceEvent(const Event& event) = 0;
};

} // namespace qv
