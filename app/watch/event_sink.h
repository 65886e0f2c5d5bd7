#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "events/event_list_owner.h"

namespace qv {

// What the watcher hands every journaled event to: the printer, the event program, the syslog
// collector. Called with the journal's guard held, in journal order, on the thread that raised
// the event: a sink only queues, and never waits for anyone.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void take(const EventEntry& entry, const Event& event) noexcept = 0;
};

// The watcher's events list: each journaled event goes to every sink, in the order they were
// added; the journal's failures go to `errors`.
class EventSinks final : public EventListOwner {
public:
    explicit EventSinks(std::FILE* errors) : m_errors(errors) {}

    void add(EventSink& sink) { m_sinks.push_back(&sink); }

    void appendEvent(const EventEntry& entry, const Event& event) override {
        for (EventSink* sink : m_sinks) {
            sink->take(entry, event);
        }
    }
    void replaceEvents(std::vector<EventEntry>) override {}
    void journalFailure(const std::string& message) override {
        std::fprintf(m_errors, "quorvane-watch: %s\n", message.c_str());
    }

private:
    std::FILE* m_errors;
    std::vector<EventSink*> m_sinks;
};

} // namespace qv
