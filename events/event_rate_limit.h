#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "events/event.h"

namespace qv {

// At most this many events of one kind are journaled one by one in a second of the clock.
inline constexpr std::uint32_t JOURNAL_EVENTS_PER_SECOND = 1000;
// At most this many events of all kinds together are announced one by one in a second (balloons,
// sounds, network messages, the watcher's event program and syslog messages).
inline constexpr std::uint32_t ANNOUNCEMENTS_PER_SECOND = 3;

// "1,234": the number's digits in groups of three.
std::string groupedNumber(std::uint64_t n);

// The second of the clock a time shows when it is written (to the millisecond, rounded).
std::int64_t clockSecond(TDateTime t);

// "1,234 more in one second; first <details>, last <details>": what a summary says of the events
// it stands for, line feeds of their details as blanks.
std::string summaryDetails(std::uint64_t count, const Event& first, const Event& last);

// Lets events through one by one up to a limit in each second of the clock, counted for each kind
// or for all kinds together; the rest of a second are held back, and once the second is over
// each kind held back is summed up in one event of that kind: stamped as the last it stands for,
// about its station and adapter, with summaryDetails and the count in `summarized`. A second is
// over once an event of another second passes (whatever its kind), or when `close` is told of a
// later time. Events are taken stamped, in the order of their stamps: a stamp of another second
// than the last, even an earlier one (the clock was put back), begins a second of its own.
class EventRateLimit {
public:
    enum class Scope { EachKind, AllKinds };

    EventRateLimit(std::uint32_t limit, Scope scope) : m_limit(limit), m_scope(scope) {}

    // Appends to `out` the summaries of the second that `event` ends, if any, and then the event
    // itself when it is within the limit of its second.
    void pass(const Event& event, std::vector<Event>& out);
    // Appends the summaries of the open second when `now` is in a later one.
    void close(TDateTime now, std::vector<Event>& out);
    // Appends the summaries of the open second whatever the time: nothing more is coming.
    void closeAll(std::vector<Event>& out);

private:
    struct HeldBack {
        std::uint64_t count = 0;
        Event first;
        Event last;
    };
    static constexpr std::size_t KINDS = EVENT_KINDS.size();

    void beginSecond(std::int64_t second, std::vector<Event>& out);

    std::uint32_t m_limit;
    Scope m_scope;
    std::optional<std::int64_t> m_second;
    std::array<std::uint32_t, KINDS> m_passed{};
    std::array<std::optional<HeldBack>, KINDS> m_heldBack{};
};

} // namespace qv
