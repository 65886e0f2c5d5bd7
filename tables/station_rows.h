#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/station_table.h"

namespace qv {

// The columns of the IP<->MAC list, by which it sorts.
enum class StationColumn { Ip = 0, Mac = 1, LastUpdate = 2, LastScanning = 3 };
inline constexpr std::size_t STATION_COLUMNS = 4;

// The list's order: the address bytes as unsigned numbers (the other address breaking ties), or
// the times, earlier first; negated when descending. Negative, zero or positive.
int CompareStations(const StationRecord& a, const StationRecord& b, StationColumn column,
                    bool descending);

// "IP", "MAC", "Last update", and "Last scaning" (a single blank for a station never found
// scanning).
std::array<std::string, STATION_COLUMNS> stationTexts(const StationRecord& record);

struct Binding {
    IPv4Address ip;
    MacAddress mac;
    bool operator==(const Binding&) const = default;
};

// The rows of the IP<->MAC list. A refresh sorts the station table's records themselves and ties
// each row to the binding of its record, so that a row keeps showing, and the commands keep
// acting on, the station the user saw there, even when capture threads add stations or reuse a
// slot before the next refresh.
class StationRows {
public:
    // Sorts the table under its guard and ties row r to the binding of record r.
    void refresh(StationTable& table, StationColumn column, bool descending);
    int count() const { return static_cast<int>(m_bindings.size()); }
    const Binding& binding(int row) const { return m_bindings.at(static_cast<std::size_t>(row)); }
    // The station of a row as the table holds it now, or nothing when it has left the table. The
    // caller holds the table's guard.
    std::optional<StationRecord> record(const StationTable::Access& table, int row) const;
    // Deletes the stations of these rows, found by their bindings, in one step under the
    // table's guard; then refreshes. Returns how many were deleted.
    int deleteRows(StationTable& table, const std::vector<int>& rows, StationColumn column,
                   bool descending);

private:
    std::vector<Binding> m_bindings;
};

// Deletes every station and writes the empty table to `path` under one hold of the guard, so no
// station a capture thread adds in between is in the file or lost from memory unsaved.
struct [[nodiscard]] Cleared {
    int stations = 0;   // how many were deleted
    bool saved = false; // the file was written
};
Cleared clearStations(StationTable& table, const std::string& path);

// The several-IP tree: every MAC that holds two or more IP addresses, with its IP texts in
// ascending order. The table is sorted by MAC for it and then sorted back by `column`.
struct MacGroup {
    std::string mac;
    std::vector<std::string> ips;
};
std::vector<MacGroup> severalIpGroups(StationTable& table, StationColumn column, bool descending);

} // namespace qv
