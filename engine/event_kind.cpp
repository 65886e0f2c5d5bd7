#include "engine/event_kind.h"

namespace qv {

const char* eventKindText(EventKind kind) {
    switch (kind) {
    case EventKind::NewStation:
        return "New station";
    case EventKind::NewActivity:
        return "New activity";
    case EventKind::ChangedEthernetAddress:
        return "Changed ethernet address";
    case EventKind::FlipFlop:
        return "Flip flop";
    case EventKind::ReusedOldEthernetAddress:
        return "Reused old ethernet address";
    case EventKind::EthernetBroadcast:
        return "Ethernet broadcast";
    case EventKind::EthernetMismatch:
        return "Ethernet mismatch";
    case EventKind::NetworkScanning:
        return "Network scanning";
    }
    return "";
}

std::uint8_t Settings::*eventKindFlag(EventKind kind) {
    switch (kind) {
    case EventKind::NewStation:
        return &Settings::DetectNewStation;
    case EventKind::NewActivity:
        return &Settings::DetectNewActivity;
    case EventKind::ChangedEthernetAddress:
        return &Settings::DetectChangedEthernetAddress;
    case EventKind::FlipFlop:
        return &Settings::DetectFlipFlop;
    case EventKind::ReusedOldEthernetAddress:
        return &Settings::DetectReusedOldEthernetAddress;
    case EventKind::EthernetBroadcast:
        return &Settings::DetectEthernetBroadcast;
    case EventKind::EthernetMismatch:
        return &Settings::DetectEthernetMismatch;
    case EventKind::NetworkScanning:
        return &Settings::DetectNetworkScanning;
    }
    return &Settings::DetectNetworkScanning;
}

} // namespace qv
