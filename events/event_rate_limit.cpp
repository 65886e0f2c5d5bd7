#include "events/event_rate_limit.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

std::string groupedNumber(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

std::int64_t clockSecond(TDateTime t) {
    if (!isCalendarTime(t)) {
        return 0;
    }
    const auto ms = std::llround(t * SECONDS_PER_DAY * 1000.0);
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

std::string summaryDetails(std::uint64_t count, const Event& first, const Event& last) {
    return groupedNumber(count) + " more in one second; first " + oneLine(first.details) +
           ", last " + oneLine(last.details);
}

void EventRateLimit::pass(const Event& event, std::vector<Event>& out) {
    const std::int64_t second = clockSecond(event.stamp);
    if (m_second != second) {
        beginSecond(second, out);
    }
    const auto kind = static_cast<std::size_t>(event.kind);
    std::uint32_t& passed = m_scope == Scope::EachKind ? m_passed[kind] : m_passed.front();
    if (passed < m_limit) {
        ++passed;
        out.push_back(event);
        return;
    }
    auto& held = m_heldBack[kind];
    if (!held) {
        held = HeldBack{0, event, event};
    }
    ++held->count;
    held->last = event;
}

void EventRateLimit::close(TDateTime now, std::vector<Event>& out) {
    if (m_second && clockSecond(now) > *m_second) {
        closeAll(out);
    }
}

void EventRateLimit::closeAll(std::vector<Event>& out) {
    for (auto& held : m_heldBack) {
        if (held) {
            Event summary = held->last;
            summary.details = summaryDetails(held->count, held->first, held->last);
            summary.summarized = held->count;
            out.push_back(std::move(summary));
            held.reset();
        }
    }
    m_passed.fill(0);
    m_second.reset();
}

void EventRateLimit::beginSecond(std::int64_t second, std::vector<Event>& out) {
    closeAll(out);
    m_second = second;
}

} // namespace qv
