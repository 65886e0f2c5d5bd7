#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>

#include "common/date_time.h"

namespace qv {

// A flood ends when this long passes without a summary line.
inline constexpr std::int64_t FLOOD_QUIET_SECONDS = 60;

// What the watcher and the window say when a flood begins: the journal sums up events.
std::string floodMessage();

// An ARP flood, as the journal's summary lines show it: one begins with a summary line written
// after FLOOD_QUIET_SECONDS without one, and goes on while they keep coming. Told of summary lines
// on the journal's threads, asked on any other.
class FloodWatch {
public:
    // A summary line stamped `stamp` was written; true when it begins a flood.
    bool summaryWritten(TDateTime stamp);
    bool goingOn(TDateTime now) const;

private:
    static constexpr std::int64_t NEVER = std::numeric_limits<std::int64_t>::min();
    std::atomic<std::int64_t> m_lastSecond{NEVER};
};

} // namespace qv
