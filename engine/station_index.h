#pragma once

#include <cstdint>
#include <span>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "engine/station_record.h"

namespace qv {

// For each MAC and each IP, the indices of the records that hold it, in ascending order, so the
// table's lookups visit only the matching records yet find exactly what a scan of the whole
// table in index order would (the same lowest-index tie-breaks). The table keeps it in step with
// every change of a record's addresses.
template <typename Address>
class BasicStationIndex {
public:
    using Record = BasicStationRecord<Address>;

    void rebuild(std::span<const Record> records);
    // Record `index` now holds these addresses (an index above every other one is appended).
    void add(int index, const Record& record);
    void remove(int index, const Record& record);

    std::span<const int> withMac(const MacAddress& mac) const;
    std::span<const int> withIp(const Address& ip) const;

private:
    // An address of up to 8 bytes is its own hash key; a longer one is kept whole.
    struct KeyHash {
        std::size_t operator()(std::uint64_t key) const noexcept;
        std::size_t operator()(const IPv6Address& key) const noexcept;
    };
    using IpKey = std::conditional_t<sizeof(Address) <= 8, std::uint64_t, Address>;

    static std::uint64_t key(const MacAddress& mac);
    static IpKey key(const Address& ip);

    std::unordered_map<std::uint64_t, std::vector<int>, KeyHash> m_byMac;
    std::unordered_map<IpKey, std::vector<int>, KeyHash> m_byIp;
};

using StationIndex = BasicStationIndex<IPv4Address>;

} // namespace qv
