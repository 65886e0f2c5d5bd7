#include "engine/station_index.h"

#include <algorithm>

namespace qv {
namespace {

void insertSorted(std::vector<int>& indices, int index) {
    if (indices.empty() || indices.back() < index) {
        indices.push_back(index);
        return;
    }
    indices.insert(std::lower_bound(indices.begin(), indices.end(), index), index);
}

template <typename Map>
void eraseIndex(Map& map, std::uint64_t key, int index) {
    const auto found = map.find(key);
    if (found == map.end()) {
        return;
    }
    auto& indices = found->second;
    const auto at = std::lower_bound(indices.begin(), indices.end(), index);
    if (at != indices.end() && *at == index) {
        indices.erase(at);
    }
    if (indices.empty()) {
        map.erase(found);
    }
}

template <typename Map>
std::span<const int> lookUp(const Map& map, std::uint64_t key) {
    const auto found = map.find(key);
    return found == map.end() ? std::span<const int>() : std::span<const int>(found->second);
}

} // namespace

std::uint64_t StationIndex::key(const MacAddress& mac) {
    std::uint64_t k = 0;
    for (std::uint8_t b : mac) {
        k = k << 8 | b;
    }
    return k;
}

std::uint64_t StationIndex::key(const IPv4Address& ip) {
    return static_cast<std::uint64_t>(ip[0]) << 24 | ip[1] << 16 | ip[2] << 8 | ip[3];
}

// Indices ascend, so each is appended; a run of records with one address (the empty slots after a
// short file) costs one lookup of its list.
void StationIndex::rebuild(std::span<const StationRecord> records) {
    m_byMac.clear();
    m_byIp.clear();
    std::vector<int>* macs = nullptr;
    std::vector<int>* ips = nullptr;
    std::uint64_t lastMac = 0;
    std::uint64_t lastIp = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::uint64_t mac = key(records[i].mac);
        const std::uint64_t ip = key(records[i].ip);
        if (i == 0 || mac != lastMac) {
            macs = &m_byMac[mac];
            lastMac = mac;
        }
        if (i == 0 || ip != lastIp) {
            ips = &m_byIp[ip];
            lastIp = ip;
        }
        macs->push_back(static_cast<int>(i));
        ips->push_back(static_cast<int>(i));
    }
}

void StationIndex::add(int index, const StationRecord& record) {
    insertSorted(m_byMac[key(record.mac)], index);
    insertSorted(m_byIp[key(record.ip)], index);
}

void StationIndex::remove(int index, const StationRecord& record) {
    eraseIndex(m_byMac, key(record.mac), index);
    eraseIndex(m_byIp, key(record.ip), index);
}

std::span<const int> StationIndex::withMac(const MacAddress& mac) const {
    return lookUp(m_byMac, key(mac));
}

std::span<const int> StationIndex::withIp(const IPv4Address& ip) const {
    return lookUp(m_byIp, key(ip));
}

} // namespace qv
