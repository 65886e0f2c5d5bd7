#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/settings.h"

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

struct EventKindInfo {
    EventKind kind;
    const char* text;             // journaled, shown and filtered on
    std::uint8_t Settings::*flag; // enables the kind
};

// Every kind, in the order of the enumeration.
inline constexpr std::array<EventKindInfo, 8> EVENT_KINDS{{
    {EventKind::NewStation, "New station", &Settings::DetectNewStation},
    {EventKind::NewActivity, "New activity", &Settings::DetectNewActivity},
    {EventKind::ChangedEthernetAddress, "Changed ethernet address",
     &Settings::DetectChangedEthernetAddress},
    {EventKind::FlipFlop, "Flip flop", &Settings::DetectFlipFlop},
    {EventKind::ReusedOldEthernetAddress, "Reused old ethernet address",
     &Settings::DetectReusedOldEthernetAddress},
    {EventKind::EthernetBroadcast, "Ethernet broadcast", &Settings::DetectEthernetBroadcast},
    {EventKind::EthernetMismatch, "Ethernet mismatch", &Settings::DetectEthernetMismatch},
    {EventKind::NetworkScanning, "Network scanning", &Settings::DetectNetworkScanning},
}};

constexpr bool eventKindsInOrder() {
    for (std::size_t i = 0; i < EVENT_KINDS.size(); ++i) {
        if (static_cast<std::size_t>(EVENT_KINDS[i].kind) != i) {
            return false;
        }
    }
    return static_cast<std::size_t>(EventKind::NetworkScanning) + 1 == EVENT_KINDS.size();
}
static_assert(eventKindsInOrder());

constexpr const EventKindInfo& eventKindInfo(EventKind kind) {
    return EVENT_KINDS[static_cast<std::size_t>(kind)];
}
constexpr const char* eventKindText(EventKind kind) {
    return eventKindInfo(kind).text;
}
constexpr std::uint8_t Settings::*eventKindFlag(EventKind kind) {
    return eventKindInfo(kind).flag;
}

} // namespace qv
