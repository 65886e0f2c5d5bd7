#include "engine/station_table.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "common/byte_order.h"
#include "common/file_io.h"

namespace qv {

StationTable::StationTable() {
    m_slots.fill(StationRecord{});
}

StationTable::Access StationTable::lock() {
    return Access(*this);
}

std::size_t StationTable::Access::checked(int index) {
    if (index < 0 || index >= STATION_SLOTS) {
        throw std::out_of_range("station index out of range");
    }
    return static_cast<std::size_t>(index);
}

int StationTable::Access::findPair(const IPv4Address& ip, const MacAddress& mac) const {
    // A MAC seldom holds more than a few addresses: its list alone is searched then, with one
    // lookup; a MAC of many (a router answering for a network) has the address's list searched
    // instead, when it is the shorter.
    constexpr std::size_t SHORT_LIST = 8;
    const auto byMac = m_table.m_index.withMac(mac);
    const auto byIp = byMac.size() <= SHORT_LIST ? byMac : m_table.m_index.withIp(ip);
    // Both lists ascend, so the first match in the shorter one is the lowest index.
    const bool macShorter = byMac.size() <= SHORT_LIST || byMac.size() <= byIp.size();
    for (int i : macShorter ? byMac : byIp) {
        const StationRecord& r = m_table.m_slots[static_cast<std::size_t>(i)];
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
int findLatest(const std::array<StationRecord, STATION_SLOTS>& slots,
               std::span<const int> candidates) {
    int result = NO_STATION;
    TDateTime best = 0.0;
    for (int i : candidates) {
        const StationRecord& r = slots[static_cast<std::size_t>(i)];
        if (r.lastUpdate > best && isCalendarTime(r.lastUpdate)) {
            best = r.lastUpdate;
            result = i;
        }
    }
    return result;
}

} // namespace

int StationTable::Access::findLatestByMac(const MacAddress& mac) const {
    return findLatest(m_table.m_slots, m_table.m_index.withMac(mac));
}

int StationTable::Access::findLatestByIp(const IPv4Address& ip) const {
    return findLatest(m_table.m_slots, m_table.m_index.withIp(ip));
}

int StationTable::Access::countByMac(const MacAddress& mac) const {
    return static_cast<int>(m_table.m_index.withMac(mac).size());
}

void StationTable::Access::reindex() {
    m_table.m_index.rebuild(valid());
    m_table.m_ages.forget();
}

std::span<const StationRecord> StationTable::Access::valid() const {
    return std::span(m_table.m_slots).first(static_cast<std::size_t>(count()));
}

// The record seen longest ago (the lowest index among equals), which gives up its slot when the
// table is full. A damaged (NaN) time is passed over unless every time is damaged.
int StationTable::Access::oldestRecord() {
    if (!m_table.m_ages.built()) {
        m_table.m_ages.build(valid());
    }
    return m_table.m_ages.first();
}

int StationTable::Access::touchStation(const IPv4Address& ip, const MacAddress& mac,
                                       TDateTime now) {
    int i = findPair(ip, mac);
    if (i == NO_STATION) {
        if (count() < STATION_SLOTS) {
            i = count();
        } else {
            i = oldestRecord();
        }
        StationRecord& r = m_table.m_slots[static_cast<std::size_t>(i)];
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

int StationTable::Access::deleteStation(int index) {
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
int StationTable::Access::deleteStations(std::vector<int> indices) {
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

void StationTable::Access::resetRequestCounts() {
    for (int i = 0; i < count(); ++i) {
        std::int32_t& requests = m_table.m_slots[static_cast<std::size_t>(i)].requestCount;
        if (requests != 0) {
            requests = 0;
            ++m_table.m_version;
        }
    }
}

void StationTable::Access::addRequest(int index) {
    ++m_table.m_slots[checked(index)].requestCount;
    ++m_table.m_version;
}

void StationTable::Access::setLastScanning(int index, TDateTime when) {
    StationRecord& record = m_table.m_slots[checked(index)];
    if (record.lastScanning != when) {
        record.lastScanning = when;
        ++m_table.m_version;
    }
}

void StationTable::Access::sortStations(const StationCompare& compare) {
    // A merge sort stays within the records even when `compare` is not a strict weak order
    // (times from a damaged file can be NaN); a quicksort could then run off the array.
    std::stable_sort(
        m_table.m_slots.begin(), m_table.m_slots.begin() + count(),
        [&](const StationRecord& a, const StationRecord& b) { return compare(a, b) < 0; });
    ++m_table.m_version;
    reindex();
}

std::vector<std::uint8_t> StationTable::Access::image() const {
    std::vector<std::uint8_t> bytes(STATION_FILE_SIZE);
    storeLeI32(bytes.data(), count());
    for (std::size_t i = 0; i < STATION_SLOTS; ++i) {
        encodeStationRecord(m_table.m_slots[i],
                            std::span<std::uint8_t, STATION_RECORD_SIZE>(
                                bytes.data() + 4 + i * STATION_RECORD_SIZE, STATION_RECORD_SIZE));
    }
    return bytes;
}

// Overlays the file's bytes on the table's current image, so a short file changes only what it
// reaches and a long one is read up to the table's size; the count is then kept within the slots.
// Only the records the bytes reach are decoded.
void StationTable::Access::loadImagePrefix(std::span<const std::uint8_t> bytes) {
    bytes = bytes.first(std::min(bytes.size(), STATION_FILE_SIZE));
    std::array<std::uint8_t, 4> countBytes{};
    storeLeI32(countBytes.data(), count());
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 4), countBytes.begin());
    m_table.m_count = std::clamp(loadLeI32(countBytes.data()), 0, STATION_SLOTS);
    ++m_table.m_version;
    for (std::size_t start = 4, i = 0; start < bytes.size(); start += STATION_RECORD_SIZE, ++i) {
        std::array<std::uint8_t, STATION_RECORD_SIZE> record;
        encodeStationRecord(m_table.m_slots[i], record);
        const std::size_t reached = std::min(STATION_RECORD_SIZE, bytes.size() - start);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), reached, record.begin());
        m_table.m_slots[i] = decodeStationRecord(record);
    }
    reindex();
}

int StationTable::Access::loadStations(const std::string& path) {
    const auto bytes = readFilePrefix(path, STATION_FILE_SIZE);
    if (bytes) {
        loadImagePrefix(*bytes);
    }
    return count();
}

bool StationTable::Access::saveStations(const std::string& path) const {
    const auto bytes = image();
    return replaceFileContents(path, bytes);
}

} // namespace qv
