#include "tables/station_rows.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace qv {
namespace {

template <typename Bytes>
int compareBytes(const Bytes& a, const Bytes& b) {
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin());
    return x == a.end() ? 0 : (*x < *y ? -1 : 1);
}

int compareTimes(TDateTime a, TDateTime b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

template <typename Address>
BasicStationCompare<Address> comparer(StationColumn column, bool descending) {
    return [column, descending](const BasicStationRecord<Address>& a,
                                const BasicStationRecord<Address>& b) {
        return CompareStations(a, b, column, descending);
    };
}

// Sorts the table and gives the bindings of its records in their new order.
template <typename Address>
void sortedBindings(BasicStationTable<Address>& table, StationColumn column, bool descending,
                    std::vector<BasicBinding<Address>>& bindings) {
    auto t = table.lock();
    t.sortStations(comparer<Address>(column, descending));
    bindings.clear();
    bindings.reserve(static_cast<std::size_t>(t.count()));
    for (int i = 0; i < t.count(); ++i) {
        bindings.push_back({t.record(i).ip, t.record(i).mac});
    }
}

// Deletes the stations of the bindings that are still in the table; how many were deleted.
template <typename Address>
int deleteBindings(BasicStationTable<Address>& table,
                   const std::vector<BasicBinding<Address>>& bindings) {
    auto t = table.lock();
    std::vector<int> indices;
    for (const auto& b : bindings) {
        const int index = t.findPair(b.ip, b.mac);
        if (index != NO_STATION) {
            indices.push_back(index);
        }
    }
    const int before = t.count();
    return before - t.deleteStations(indices);
}

template <typename Address>
Cleared clearTable(BasicStationTable<Address>& table, const std::string& path, bool always) {
    auto t = table.lock();
    const int count = t.count();
    std::vector<int> all(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        all[static_cast<std::size_t>(i)] = i;
    }
    t.deleteStations(all);
    std::error_code error;
    if (!always && count == 0 && !std::filesystem::exists(path, error)) {
        return {0, true, {}};
    }
    const bool saved = t.saveStations(path);
    return {count, saved, saved ? std::string() : path};
}

// The MAC texts of the table's records with their address texts, in ascending order of address.
template <typename Address>
void addAddresses(BasicStationTable<Address>& table, StationColumn column, bool descending,
                  std::map<MacAddress, std::vector<std::string>>& byMac) {
    auto t = table.lock();
    t.sortStations(comparer<Address>(StationColumn::Mac, false));
    for (int i = 0; i < t.count(); ++i) {
        byMac[t.record(i).mac].push_back(addressText(t.record(i).ip));
    }
    t.sortStations(comparer<Address>(column, descending));
}

} // namespace

template <typename Address>
int CompareStations(const BasicStationRecord<Address>& a, const BasicStationRecord<Address>& b,
                    StationColumn column, bool descending) {
    int result = 0;
    switch (column) {
    case StationColumn::Ip:
        result = compareBytes(a.ip, b.ip);
        result = result != 0 ? result : compareBytes(a.mac, b.mac);
        break;
    case StationColumn::Mac:
        result = compareBytes(a.mac, b.mac);
        result = result != 0 ? result : compareBytes(a.ip, b.ip);
        break;
    case StationColumn::LastUpdate:
        result = compareTimes(a.lastUpdate, b.lastUpdate);
        break;
    case StationColumn::LastScanning:
        result = compareTimes(a.lastScanning, b.lastScanning);
        break;
    }
    return descending ? -result : result;
}

template int CompareStations(const StationRecord&, const StationRecord&, StationColumn, bool);
template int CompareStations(const StationRecord6&, const StationRecord6&, StationColumn, bool);

template <typename Address>
std::array<std::string, STATION_COLUMNS> stationTexts(const BasicStationRecord<Address>& r) {
    return {addressText(r.ip), MACToText(r.mac), DateTimeText(r.lastUpdate),
            r.lastScanning != 0.0 ? DateTimeText(r.lastScanning) : std::string(" ")};
}

template std::array<std::string, STATION_COLUMNS> stationTexts(const StationRecord&);
template std::array<std::string, STATION_COLUMNS> stationTexts(const StationRecord6&);

std::array<std::string, STATION_COLUMNS> stationTexts(const StationEntry& entry) {
    return std::visit([](const auto& r) { return stationTexts(r); }, entry);
}

void StationRows::refresh(StationTables tables, StationColumn column, bool descending) {
    sortedBindings(tables.ipv4, column, descending, m_bindings);
    sortedBindings(tables.ipv6, column, descending, m_bindings6);
}

std::variant<Binding, Binding6> StationRows::binding(int row) const {
    const auto r = static_cast<std::size_t>(row);
    if (r < m_bindings.size()) {
        return m_bindings[r];
    }
    return m_bindings6.at(r - m_bindings.size());
}

std::optional<StationEntry> StationRows::record(StationTables tables, int row) const {
    if (row < 0 || row >= count()) {
        return std::nullopt;
    }
    const auto b = binding(row);
    if (const auto* ipv4 = std::get_if<Binding>(&b)) {
        auto t = tables.ipv4.lock();
        const int index = t.findPair(ipv4->ip, ipv4->mac);
        return index == NO_STATION ? std::nullopt : std::optional<StationEntry>(t.record(index));
    }
    const auto& ipv6 = std::get<Binding6>(b);
    auto t = tables.ipv6.lock();
    const int index = t.findPair(ipv6.ip, ipv6.mac);
    return index == NO_STATION ? std::nullopt : std::optional<StationEntry>(t.record(index));
}

int StationRows::deleteRows(StationTables tables, const std::vector<int>& rows,
                            StationColumn column, bool descending) {
    std::vector<Binding> ipv4;
    std::vector<Binding6> ipv6;
    for (int row : rows) {
        if (row >= 0 && row < count()) {
            std::visit(
                [&](const auto& b) {
                    if constexpr (std::is_same_v<std::decay_t<decltype(b)>, Binding>) {
                        ipv4.push_back(b);
                    } else {
                        ipv6.push_back(b);
                    }
                },
                binding(row));
        }
    }
    const int deleted = deleteBindings(tables.ipv4, ipv4) + deleteBindings(tables.ipv6, ipv6);
    refresh(tables, column, descending);
    return deleted;
}

Cleared clearStations(StationTables tables, const std::string& path, const std::string& path6) {
    const Cleared ipv4 = clearTable(tables.ipv4, path, true);
    const Cleared ipv6 = clearTable(tables.ipv6, path6, false);
    return {ipv4.stations + ipv6.stations, ipv4.saved && ipv6.saved,
            !ipv4.saved ? path : (!ipv6.saved ? path6 : std::string())};
}

std::vector<MacGroup> severalIpGroups(StationTables tables, StationColumn column, bool descending) {
    std::map<MacAddress, std::vector<std::string>> byMac;
    addAddresses(tables.ipv4, column, descending, byMac);
    addAddresses(tables.ipv6, column, descending, byMac);
    std::vector<MacGroup> groups;
    for (auto& [mac, ips] : byMac) {
        if (ips.size() >= 2) {
            groups.push_back({MACToText(mac), std::move(ips)});
        }
    }
    return groups;
}

} // namespace qv
