#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/station_table.h"

namespace qv {

// The columns of the IP<->MAC list, by which it sorts.
enum class StationColumn { Ip = 0, Mac = 1, LastUpdate = 2, LastScanning = 3 };
inline constexpr std::size_t STATION_COLUMNS = 4;

// The list's order: the address bytes as unsigned numbers (the other address breaking ties), or
// the times, earlier first; negated when descending. Negative, zero or positive.
template <typename Address>
int CompareStations(const BasicStationRecord<Address>& a, const BasicStationRecord<Address>& b,
                    StationColumn column, bool descending);

// A station of either family, as a row of the list shows it.
using StationEntry = std::variant<StationRecord, StationRecord6>;

// "IP", "MAC", "Last update", and "Last scaning" (a single blank for a station never found
// scanning); an IPv6 address in RFC 5952's text.
template <typename Address>
std::array<std::string, STATION_COLUMNS> stationTexts(const BasicStationRecord<Address>& record);
std::array<std::string, STATION_COLUMNS> stationTexts(const StationEntry& entry);

template <typename Address>
struct BasicBinding {
    Address ip;
    MacAddress mac;
    bool operator==(const BasicBinding&) const = default;
};
using Binding = BasicBinding<IPv4Address>;
using Binding6 = BasicBinding<IPv6Address>;

// The two station tables the list shows: the IPv4 bindings, then the IPv6 ones.
struct StationTables {
    StationTable& ipv4;
    StationTable6& ipv6;
};

// The rows of the IP<->MAC list: the IPv4 stations, then the IPv6 ones, each family sorted by
// itself. A refresh sorts the station tables' records themselves and ties each row to the binding
// of its record, so that a row keeps showing, and the commands keep acting on, the station the
// user saw there, even when capture threads add stations or reuse a slot before the next
// refresh.
class StationRows {
public:
    // Sorts each table under its guard and ties the rows to the bindings of their records.
    void refresh(StationTables tables, StationColumn column, bool descending);
    int count() const { return static_cast<int>(m_bindings.size() + m_bindings6.size()); }
    // The binding of a row: an IPv4 one for the first rows, an IPv6 one after them.
    std::variant<Binding, Binding6> binding(int row) const;
    // The station of a row as its table holds it now, or nothing when it has left the table.
    // Takes the guard of the row's table.
    std::optional<StationEntry> record(StationTables tables, int row) const;
    // Deletes the stations of these rows, found by their bindings, in one step under each
    // table's guard; then refreshes. Returns how many were deleted.
    int deleteRows(StationTables tables, const std::vector<int>& rows, StationColumn column,
                   bool descending);

private:
    std::vector<Binding> m_bindings;
    std::vector<Binding6> m_bindings6;
};

// Deletes every station and writes the empty table to its file under one hold of each guard, so
// no station a capture thread adds in between is in the file or lost from memory unsaved. The
// IPv6 file is written only when there is one or its table held a station: a network without
// IPv6 gets none.
struct [[nodiscard]] Cleared {
    int stations = 0;   // how many were deleted
    bool saved = false; // the files were written
    std::string failed; // else the file that was not
};
Cleared clearStations(StationTables tables, const std::string& path, const std::string& path6);

// The several-IP tree: every MAC that holds two or more IP addresses, of either family, with its
// IP texts in ascending order (IPv4 first). The tables are sorted by MAC for it and then sorted
// back by `column`.
struct MacGroup {
    std::string mac;
    std::vector<std::string> ips;
};
std::vector<MacGroup> severalIpGroups(StationTables tables, StationColumn column, bool descending);

} // namespace qv
