#include "engine/station_table.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "common/byte_order.h"
#include "common/file_io.h"

namespace qv {

template <typename Address>
BasicStationTable<Address>::BasicStationTable() {
    m_slots.fill(Record{});
}

template <typename Address>
typename BasicStationTable<Address>::Access BasicStationTable<Address>::lock() {
    return Access(*this);
}
template <typename Address>

std::size_t BasicStationTable<Address>::Access::checked(int index) {
    if (index < 0 || index >= STATION_SLOTS) {
        throw std::out_of_range("station index out of range");
    }
    return static_cast<std::size_t>(index);
}
template <typename Address>

int BasicStationTable<Address>::Access::findPair(const Address& ip, const MacAddress& mac) const {
    // A MAC seldom holds more than a few addresses: its list alone is searched then, with one
    // lookup; a MAC of many (a router answering for a network) has the address's list searched
    // instead, when it is the shorter.
    constexpr std::size_t SHORT_LIST = 8;
    const auto byMac = m_table.m_index.withMac(mac);
    const auto byIp = byMac.size() <= SHORT_LIST ? byMac : m_table.m_index.withIp(ip);
    // Both lists ascend, so the first match in the shorter one is the lowest index.
    const bool macShorter = byMac.size() <= SHORT_LIST || byMac.size() <= byIp.size();
    for (int i : macShorter ? byMac : byIp) {
        const Record& r = m_table.m_slots[static_cast<std::size_t>(i)];
        if (macShorter ? r.ip == ip : r.mac == mac) {
            return i;
        }
    }
    return NO_STATION;
}

namespace {

// Visits the candidates in index order with a best time that starts at 0, keeping the first
// record whose time is strictly greater: ties go to the lowest index, and times of 0 or less, and
// damaged ones (NaN, infinite, past the calendar's end), are never found.
template <typename Record>
int findLatest(const std::array<Record, STATION_SLOTS>& slots, std::span<const int> candidates) {
    int result = NO_STATION;
    TDateTime best = 0.0;
    for (int i : candidates) {
        const Record& r = slots[static_cast<std::size_t>(i)];
        if (r.lastUpdate > best && isCalendarTime(r.lastUpdate)) {
            best = r.lastUpdate;
            result = i;
        }
    }
    return result;
}

} // namespace
template <typename Address>

int BasicStationTable<Address>::Access::findLatestByMac(const MacAddress& mac) const {
    return findLatest(m_table.m_slots, m_table.m_index.withMac(mac));
}
template <typename Address>

int BasicStationTable<Address>::Access::findLatestByIp(const Address& ip) const {
    return findLatest(m_table.m_slots, m_table.m_index.withIp(ip));
}
template <typename Address>

int BasicStationTable<Address>::Access::countByMac(const MacAddress& mac) const {
    return static_cast<int>(m_table.m_index.withMac(mac).size());
}
template <typename Address>

void BasicStationTable<Address>::Access::reindex() {
    m_table.m_index.rebuild(valid());
    m_table.m_ages.forget();
}
template <typename Address>

std::span<const typename BasicStationTable<Address>::Record>
BasicStationTable<Address>::Access::valid() const {
    return std::span(m_table.m_slots).first(static_cast<std::size_t>(count()));
}

// The record seen longest ago (the lowest index among equals), which gives up its slot when the
// table is full. A damaged (NaN) time is passed over unless every time is damaged.
template <typename Address>
int BasicStationTable<Address>::Access::oldestRecord() {
    if (!m_table.m_ages.built()) {
        m_table.m_ages.build(valid());
    }
    return m_table.m_ages.first();
}
template <typename Address>

int BasicStationTable<Address>::Access::touchStation(const Address& ip, const MacAddress& mac,
                                                     TDateTime now) {
    int i = findPair(ip, mac);
    if (i == NO_STATION) {
        if (count() < STATION_SLOTS) {
            i = count();
        } else {
            i = oldestRecord();
        }
        Record& r = m_table.m_slots[static_cast<std::size_t>(i)];
        if (i < count()) {
            m_table.m_index.remove(i, r);
        } else {
            ++m_table.m_count;
        }
        r.ip = ip;
        r.mac = mac;
        r.lastScanning = 0.0;
        r.requestCount = 0;
        m_table.m_index.add(i, r);
    }
    m_table.m_slots[static_cast<std::size_t>(i)].lastUpdate = now;
    if (m_table.m_ages.built()) {
        m_table.m_ages.changed(i, valid());
    }
    ++m_table.m_version;
    return count();
}
template <typename Address>

int BasicStationTable<Address>::Access::deleteStation(int index) {
    if (index < 0 || index >= count()) {
        return count();
    }
    auto first = m_table.m_slots.begin() + index;
    std::copy(first + 1, m_table.m_slots.begin() + count(), first);
    --m_table.m_count;
    ++m_table.m_version;
    reindex();
    return count();
}

// The records move exactly as one deleteStation after the other would move them, from the highest
// index down, so the slots beyond the count (written to ipmac.dat too) end up the same; only the
// index is rebuilt once at the end instead of after each record.
template <typename Address>
int BasicStationTable<Address>::Access::deleteStations(std::vector<int> indices) {
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (int index : indices) {
        if (index < 0 || index >= count()) {
            continue;
        }
        auto first = m_table.m_slots.begin() + index;
        std::copy(first + 1, m_table.m_slots.begin() + count(), first);
        --m_table.m_count;
        ++m_table.m_version;
    }
    reindex();
    return count();
}
template <typename Address>

void BasicStationTable<Address>::Access::resetRequestCounts() {
    for (int i = 0; i < count(); ++i) {
        std::int32_t& requests = m_table.m_slots[static_cast<std::size_t>(i)].requestCount;
        if (requests != 0) {
            requests = 0;
            ++m_table.m_version;
        }
    }
}
template <typename Address>

void BasicStationTable<Address>::Access::addRequest(int index) {
    ++m_table.m_slots[checked(index)].requestCount;
    ++m_table.m_version;
}
template <typename Address>

void BasicStationTable<Address>::Access::setLastScanning(int index, TDateTime when) {
    Record& record = m_table.m_slots[checked(index)];
    if (record.lastScanning != when) {
        record.lastScanning = when;
        ++m_table.m_version;
    }
}
template <typename Address>

void BasicStationTable<Address>::Access::sortStations(const BasicStationCompare<Address>& compare) {
    // A merge sort stays within the records even when `compare` is not a strict weak order
    // (times from a damaged file can be NaN); a quicksort could then run off the array.
    std::stable_sort(m_table.m_slots.begin(), m_table.m_slots.begin() + count(),
                     [&](const Record& a, const Record& b) { return compare(a, b) < 0; });
    ++m_table.m_version;
    reindex();
}
template <typename Address>

std::vector<std::uint8_t> BasicStationTable<Address>::Access::image() const {
    std::vector<std::uint8_t> bytes(stationFileSize<Address>);
    storeLeI32(bytes.data(), count());
    for (std::size_t i = 0; i < STATION_SLOTS; ++i) {
        encodeStationRecord(
            m_table.m_slots[i],
            std::span<std::uint8_t, stationRecordSize<Address>>(
                bytes.data() + 4 + i * stationRecordSize<Address>, stationRecordSize<Address>));
    }
    return bytes;
}

// Overlays the file's bytes on the table's current image, so a short file changes only what it
// reaches and a long one is read up to the table's size; the count is then kept within the slots.
// Only the records the bytes reach are decoded.
template <typename Address>
void BasicStationTable<Address>::Access::loadImagePrefix(std::span<const std::uint8_t> bytes) {
    bytes = bytes.first(std::min(bytes.size(), stationFileSize<Address>));
    std::array<std::uint8_t, 4> countBytes{};
    storeLeI32(countBytes.data(), count());
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 4), countBytes.begin());
    m_table.m_count = std::clamp(loadLeI32(countBytes.data()), 0, STATION_SLOTS);
    ++m_table.m_version;
    for (std::size_t start = 4, i = 0; start < bytes.size();
         start += stationRecordSize<Address>, ++i) {
        std::array<std::uint8_t, stationRecordSize<Address>> record;
        encodeStationRecord(m_table.m_slots[i], record);
        const std::size_t reached = std::min(stationRecordSize<Address>, bytes.size() - start);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), reached, record.begin());
        m_table.m_slots[i] = decodeStationRecord<Address>(record);
    }
    reindex();
}
template <typename Address>

int BasicStationTable<Address>::Access::loadStations(const std::string& path) {
    const auto bytes = readFilePrefix(path, stationFileSize<Address>);
    if (bytes) {
        loadImagePrefix(*bytes);
    }
    return count();
}
template <typename Address>

bool BasicStationTable<Address>::Access::saveStations(const std::string& path) const {
    const auto bytes = image();
    return replaceFileContents(path, bytes);
}

template class BasicStationTable<IPv4Address>;
template class BasicStationTable<IPv6Address>;

} // namespace qv
