#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "events/event_list_owner.h"

namespace qv::test {

// An events list owner that keeps what it is handed.
class RecordingOwner : public EventListOwner {
public:
    void appendEvent(const EventEntry& entry) override {
        std::lock_guard lock(m_guard);
        entries.push_back(entry);
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
    std::vector<std::string> failures;
    int loads = 0;

private:
    std::mutex m_guard;
};

} // namespace qv::test
