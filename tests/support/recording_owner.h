#pragma once

#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "events/event_list_owner.h"

namespace qv::test {

// An event of the kind whose text is `type`, as the engine raises one.
inline Event eventOf(std::string_view type, std::string details) {
    for (const EventKindInfo& info : EVENT_KINDS) {
        if (type == info.text) {
            return Event{info.kind, 0.0, std::nullopt, std::nullopt, {}, std::move(details)};
        }
    }
    throw std::invalid_argument("no event kind is called " + std::string(type));
}

// An events list owner that keeps what it is handed.
class RecordingOwner : public EventListOwner {
public:
    void appendEvent(const EventEntry& entry, const Event& event) override {
        std::lock_guard lock(m_guard);
        entries.push_back(entry);
        events.push_back(event);
    }
    void replaceEvents(std::vector<EventEntry> loaded) override {
        std::lock_guard lock(m_guard);
        entries = std::move(loaded);
        ++loads;
    }
    void journalFailure(const std::string& message) override {
        std::lock_guard lock(m_guard);
        failures.push_back(message);
    }

    std::vector<EventEntry> entries;
    std::vector<Event> events;
    std::vector<std::string> failures;
    int loads = 0;

private:
    std::mutex m_guard;
};

} // namespace qv::test
