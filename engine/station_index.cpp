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

template <typename Map, typename Key>
void eraseIndex(Map& map, const Key& key, int index) {
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

template <typename Map, typename Key>
std::span<const int> lookUp(const Map& map, const Key& key) {
    const auto found = map.find(key);
    return found == map.end() ? std::span<const int>() : std::span<const int>(found->second);
}

} // namespace

template <typename Address>
std::size_t BasicStationIndex<Address>::KeyHash::operator()(std::uint64_t key) const noexcept {
    return std::hash<std::uint64_t>()(key);
}

// The interface identifier (the low half) varies most within a network; the prefix is mixed in
// so that the same identifier under link-local and global prefixes spreads too.
template <typename Address>
std::size_t BasicStationIndex<Address>::KeyHash::operator()(const IPv6Address& key) const noexcept {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        high = high << 8 | key[i];
        low = low << 8 | key[8 + i];
    }
    return std::hash<std::uint64_t>()(low ^ (high * 0x9E3779B97F4A7C15ULL));
}

template <typename Address>
std::uint64_t BasicStationIndex<Address>::key(const MacAddress& mac) {
    std::uint64_t k = 0;
    for (std::uint8_t b : mac) {
        k = k << 8 | b;
    }
    return k;
}

template <typename Address>
typename BasicStationIndex<Address>::IpKey BasicStationIndex<Address>::key(const Address& ip) {
    if constexpr (std::is_same_v<IpKey, std::uint64_t>) {
        std::uint64_t k = 0;
        for (std::uint8_t b : ip) {
            k = k << 8 | b;
        }
        return k;
    } else {
        return ip;
    }
}

// Indices ascend, so each is appended; a run of records with one address (the empty slots after a
// short file) costs one lookup of its list.
template <typename Address>
void BasicStationIndex<Address>::rebuild(std::span<const Record> records) {
    m_byMac.clear();
    m_byIp.clear();
    std::vector<int>* macs = nullptr;
    std::vector<int>* ips = nullptr;
    std::uint64_t lastMac = 0;
    IpKey lastIp{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::uint64_t mac = key(records[i].mac);
        const IpKey ip = key(records[i].ip);
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

template <typename Address>
void BasicStationIndex<Address>::add(int index, const Record& record) {
    insertSorted(m_byMac[key(record.mac)], index);
    insertSorted(m_byIp[key(record.ip)], index);
}

template <typename Address>
void BasicStationIndex<Address>::remove(int index, const Record& record) {
    eraseIndex(m_byMac, key(record.mac), index);
    eraseIndex(m_byIp, key(record.ip), index);
}

template <typename Address>
std::span<const int> BasicStationIndex<Address>::withMac(const MacAddress& mac) const {
    return lookUp(m_byMac, key(mac));
}

template <typename Address>
std::span<const int> BasicStationIndex<Address>::withIp(const Address& ip) const {
    return lookUp(m_byIp, key(ip));
}

template class BasicStationIndex<IPv4Address>;
template class BasicStationIndex<IPv6Address>;

} // namespace qv
