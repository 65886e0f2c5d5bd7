#include "tables/station_rows.h"

#include <algorithm>

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

StationCompare comparer(StationColumn column, bool descending) {
    return [column, descending](const StationRecord& a, const StationRecord& b) {
        return CompareStations(a, b, column, descending);
    };
}

} // namespace

int CompareStations(const StationRecord& a, const StationRecord& b, StationColumn column,
                    bool descending) {
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

std::array<std::string, STATION_COLUMNS> stationTexts(const StationRecord& r) {
    return {IPToText(r.ip), MACToText(r.mac), DateTimeText(r.lastUpdate),
            r.lastScanning != 0.0 ? DateTimeText(r.lastScanning) : std::string(" ")};
}

void StationRows::refresh(StationTable& table, StationColumn column, bool descending) {
    auto t = table.lock();
    t.sortStations(comparer(column, descending));
    m_bindings.clear();
    m_bindings.reserve(static_cast<std::size_t>(t.count()));
    for (int i = 0; i < t.count(); ++i) {
        m_bindings.push_back({t.record(i).ip, t.record(i).mac});
    }
}

std::optional<StationRecord> StationRows::record(const StationTable::Access& table, int row) const {
    if (row < 0 || row >= count()) {
        return std::nullopt;
    }
    const Binding& b = m_bindings[static_cast<std::size_t>(row)];
    const int index = table.findPair(b.ip, b.mac);
    if (index == NO_STATION) {
        return std::nullopt;
    }
    return table.record(index);
}

int StationRows::deleteRows(StationTable& table, const std::vector<int>& rows, StationColumn column,
                            bool descending) {
    int deleted = 0;
    {
        auto t = table.lock();
        std::vector<int> indices;
        for (int row : rows) {
            if (row >= 0 && row < count()) {
                const Binding& b = m_bindings[static_cast<std::size_t>(row)];
                const int index = t.findPair(b.ip, b.mac);
                if (index != NO_STATION) {
                    indices.push_back(index);
                }
            }
        }
        const int before = t.count();
        deleted = before - t.deleteStations(indices);
    }
    refresh(table, column, descending);
    return deleted;
}

Cleared clearStations(StationTable& table, const std::string& path) {
    auto t = table.lock();
    const int count = t.count();
    std::vector<int> all(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        all[static_cast<std::size_t>(i)] = i;
    }
    t.deleteStations(all);
    return {count, t.saveStations(path)};
}

std::vector<MacGroup> severalIpGroups(StationTable& table, StationColumn column, bool descending) {
    auto t = table.lock();
    t.sortStations(comparer(StationColumn::Mac, false));
    std::vector<MacGroup> groups;
    for (int i = 0; i < t.count();) {
        int end = i + 1;
        while (end < t.count() && t.record(end).mac == t.record(i).mac) {
            ++end;
        }
        if (end - i >= 2) {
            MacGroup group{MACToText(t.record(i).mac), {}};
            for (int k = i; k < end; ++k) {
                group.ips.push_back(IPToText(t.record(k).ip));
            }
            groups.push_back(std::move(group));
        }
        i = end;
    }
    t.sortStations(comparer(column, descending));
    return groups;
}

} // namespace qv
