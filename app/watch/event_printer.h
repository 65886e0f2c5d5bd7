#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "events/event_list_owner.h"

namespace qv {

// The watcher's events list: each journaled event is printed as its Events.csv line without the
// line end, at once and in journal order (the journal calls in under its guard).
class EventPrinter final : public EventListOwner {
public:
    EventPrinter(std::FILE* out, std::FILE* errors) : m_out(out), m_errors(errors) {}

    void appendEvent(const EventEntry& entry) override;
    void replaceEvents(std::vector<EventEntry>) override {}
    void journalFailure(const std::string& message) override;

private:
    std::FILE* m_out;
    std::FILE* m_errors;
};

} // namespace qv
