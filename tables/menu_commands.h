#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/arp_log.h"
#include "engine/station_record.h"
#include "settings/settings.h"
#include "tables/station_rows.h"

namespace qv {

// What the address commands of the tables' menu act on: the dotted IPv4 address (empty when the
// source offers none) and the MAC text that goes with it (possibly empty).
struct MenuTarget {
    std::string ip;
    std::string mac;
    bool operator==(const MenuTarget&) const = default;
};

// An event row: the first address and the first hardware address in its details.
MenuTarget eventTarget(const std::string& details);
// An ARP log row: the packet's sender.
MenuTarget packetTarget(const ArpLogEntry& entry);
// An IP<->MAC row.
MenuTarget stationTarget(const StationRecord& record);
MenuTarget stationTarget(const StationEntry& entry);
// A node of the several-IP tree: an IP node names its address and its parent's MAC; a MAC node
// (no parent) offers nothing.
MenuTarget treeNodeTarget(const std::string& text, const std::optional<std::string>& parentText);

// The clipboard text of rows: each row's columns joined by TAB, every line ending in CR LF.
std::string clipboardText(const std::vector<std::vector<std::string>>& rows);

// Appends the address to the scan ignore list unless it is there already or the list is full
// (256 addresses).
enum class IgnoreListAdd { Added, AlreadyListed, Full };
IgnoreListAdd addToIgnoreList(Settings& record, const IPv4Address& address);

} // namespace qv
