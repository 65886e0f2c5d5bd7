#include "tables/event_steps.h"

#include <utility>

namespace qv {

void EventSteps::append(const EventEntry& entry) {
    std::lock_guard lock(m_guard);
    if (m_steps.empty() || m_steps.back().replace) {
        m_steps.push_back({false, {}});
    }
    m_steps.back().entries.push_back(entry);
}

void EventSteps::replace(std::vector<EventEntry> entries) {
    std::lock_guard lock(m_guard);
    m_steps.clear();
    m_steps.push_back({true, std::move(entries)});
}

std::vector<EventSteps::Step> EventSteps::take() {
    std::lock_guard lock(m_guard);
    return std::exchange(m_steps, {});
}

} // namespace qv
