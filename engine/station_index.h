#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "engine/station_record.h"

namespace qv {

// For each MAC and each IP, the indices of the records that hold it, in ascending order, so the
// table's lookups visit only the matching records yet find exactly what a scan of the whole
// table in index order would (the same lowest-index tie-breaks). The table keeps it in step with
// every change of a record's addresses.
class StationIndex {
public:
    void rebuild(std::span<const StationRecord> records);
    // Record `index` now holds these addresses (an index above every other one is appended).
    void add(int index, const StationRecord& record);
    void remove(int index, const StationRecord& record);

    std::span<const int> withMac(const MacAddress& mac) const;
    std::span<const int> withIp(const IPv4Address& ip) const;

private:
    static std::uint64_t key(const MacAddress& mac);
    static std::uint64_t key(const IPv4Address& ip);

    std::unordered_map<std::uint64_t, std::vector<int>> m_byMac;
    std::unordered_map<std::uint64_t, std::vector<int>> m_byIp;
};

} // namespace qv
