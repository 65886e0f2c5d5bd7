#pragma once

#include <cstdint>

#include "app/settings.h"

namespace qv {

enum class EventKind {
    NewStation,
    NewActivity,
    ChangedEthernetAddress,
    FlipFlop,
    ReusedOldEthernetAddress,
    EthernetBroadcast,
    EthernetMismatch,
    NetworkScanning,
};

// The text that is journaled, shown and filtered on.
const char* eventKindText(EventKind kind);
// The Settings flag that enables the kind.
std::uint8_t Settings::*eventKindFlag(EventKind kind);

} // namespace qv
