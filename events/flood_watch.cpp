#include "events/flood_watch.h"

#include "events/event_rate_limit.h"

namespace qv {

std::string floodMessage() {
    return "an ARP flood is going on: more than " + groupedNumber(JOURNAL_EVENTS_PER_SECOND) +
           " events of one kind in one second; Events.csv sums up the rest of each such second "
           "in one line of that kind";
}

bool FloodWatch::summaryWritten(TDateTime stamp) {
    const std::int64_t second = clockSecond(stamp);
    const std::int64_t last = m_lastSecond.exchange(second);
    return last == NEVER || second - last > FLOOD_QUIET_SECONDS || second < last;
}

bool FloodWatch::goingOn(TDateTime now) const {
    const std::int64_t last = m_lastSecond.load();
    return last != NEVER && clockSecond(now) - last <= FLOOD_QUIET_SECONDS;
}

} // namespace qv
