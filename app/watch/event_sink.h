#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "events/event_list_owner.h"
#include "events/flood_watch.h"

namespace qv {

// What the watcher hands every journaled event to: the printer. Called with the journal's guard
// held, in journal order, on the thread that raised the event: a sink only queues, and never
// waits for anyone.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void take(const EventEntry& entry, const Event& event) noexcept = 0;
};

// The watcher's events list: each journaled event goes to every sink, in the order they were
// added; the journal's failures, and the beginning of each flood, go to `errors`.
class EventSinks final : public EventListOwner {
public:
    explicit EventSinks(std::FILE* errors) : m_errors(errors) {}

    void add(EventSink& sink) { m_sinks.push_back(&sink); }

    void appendEvent(const EventEntry& entry, const Event& event) override {
        if (event.summarized > 0) {
            ++m_summaries;
            m_summarized += event.summarized;
            if (m_flood.summaryWritten(event.stamp)) {
                std::fprintf(m_errors, "quorvane-watch: %s\n", floodMessage().c_str());
            }
        }
        for (EventSink* sink : m_sinks) {
            sink->take(entry, event);
        }
    }
    void replaceEvents(std::vector<EventEntry>) override {}
    void journalFailure(const std::string& message) override {
        std::fprintf(m_errors, "quorvane-watch: %s\n", message.c_str());
    }

    // The summary lines written, and the events they stand for (the journal's guard orders these
    // counts; read them once the capture has ended).
    std::uint64_t summaries() const { return m_summaries; }
    std::uint64_t summarized() const { return m_summarized; }

private:
    std::FILE* m_errors;
    FloodWatch m_flood;
    std::uint64_t m_summaries = 0;
    std::uint64_t m_summarized = 0;
    std::vector<EventSink*> m_sinks;
};

} // namespace qv
