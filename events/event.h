#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/addresses.h"
#include "common/date_time.h"
#include "events/event_kind.h"

namespace qv {

// One detected event, as it travels from its detection to every output: what the journal writes,
// the balloon and the network message show, and the watcher's printer, event program and syslog
// collector take apart.
struct Event {
    EventKind kind = EventKind::NewStation;
    // When the journal stamped it (its Events.csv line's date-time); 0 until then.
    TDateTime stamp = 0.0;
    // The station it is about, where the kind has one: the sender of the frame; for a change of
    // address the new MAC; for a scan the scanning binding.
    std::optional<IPAddress> ip;
    std::optional<MacAddress> mac;
    // The adapter whose frame raised it (for a scan, the adapter of the binding's newest request);
    // empty when none (a replayed capture).
    std::string adapter;
    // The details text, built once; it may hold a line feed.
    std::string details;
    // For a summary of the events of one kind that a second held back: how many it stands for;
    // 0 for an event of its own.
    std::uint64_t summarized = 0;

    const char* type() const { return eventKindText(kind); }
};

} // namespace qv
