#pragma once

#include "app/watch/event_sink.h"
#include "app/watch/line_printer.h"

namespace qv {

// Prints each journaled event as its Events.csv line without the line end, in journal order,
// through `out`, which never makes the journal wait.
class EventPrinter final : public EventSink {
public:
    explicit EventPrinter(LinePrinter& out) : m_out(out) {}

    void take(const EventEntry& entry, const Event&) noexcept override {
        try {
            m_out.print(eventLine(entry));
        } catch (...) { // no memory for the line: like a line the queue had no room for
        }
    }

private:
    LinePrinter& m_out;
};

} // namespace qv
