#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/station_ages.h"
#include "engine/station_index.h"
#include "engine/station_record.h"

namespace qv {

inline constexpr int STATION_SLOTS = 8192;
// The table's file: the count (a 32-bit little-endian integer), then every slot's record.
template <typename Address>
inline constexpr std::size_t stationFileSize = 4 + STATION_SLOTS* stationRecordSize<Address>;
inline constexpr std::size_t STATION_FILE_SIZE = stationFileSize<IPv4Address>;
inline constexpr std::size_t STATION6_FILE_SIZE = stationFileSize<IPv6Address>;
inline constexpr const char* STATION_FILE_NAME = "ipmac.dat";
inline constexpr const char* STATION6_FILE_NAME = "ipmac6.dat";
inline constexpr int NO_STATION = -1;

static_assert(STATION_FILE_SIZE == 327'684);
static_assert(STATION6_FILE_SIZE == 393'220);

// Three-way comparison of two records: negative, zero or positive.
template <typename Address>
using BasicStationCompare =
    std::function<int(const BasicStationRecord<Address>&, const BasicStationRecord<Address>&)>;
using StationCompare = BasicStationCompare<IPv4Address>;

// A station table of one address family: a count and 8192 fixed slots, records 0 to count - 1
// valid in no particular order. Every user reaches it through an Access, which holds the table's
// guard for its lifetime, so lookups and changes made through one Access form a single unit.
template <typename Address>
class BasicStationTable {
public:
    using Record = BasicStationRecord<Address>;
    class Access;

    BasicStationTable();
    BasicStationTable(const BasicStationTable&) = delete;
    BasicStationTable& operator=(const BasicStationTable&) = delete;

    Access lock();

private:
    std::mutex m_guard;
    int m_count = 0;
    std::uint64_t m_version = 0;
    std::array<Record, STATION_SLOTS> m_slots;
    BasicStationIndex<Address> m_index; // of records 0 to count - 1
    StationAges m_ages;                 // of records 0 to count - 1
};

using StationTable = BasicStationTable<IPv4Address>;
using StationTable6 = BasicStationTable<IPv6Address>;

template <typename Address>
class BasicStationTable<Address>::Access {
public:
    int count() const { return m_table.m_count; }
    // Grows with every change of the records (not with a change that changes nothing), so a
    // saver can tell whether the table changed since it last wrote it.
    std::uint64_t version() const { return m_table.m_version; }
    const Record& record(int index) const { return m_table.m_slots[checked(index)]; }
    // Any slot, including the unused ones beyond the count.
    const Record& slot(int index) const { return m_table.m_slots[checked(index)]; }

    // Lookups return an index, or NO_STATION.
    int findPair(const Address& ip, const MacAddress& mac) const;
    // The matching record with the greatest lastUpdate (the lowest index among equals); a record
    // whose lastUpdate is 0 or less is never found.
    int findLatestByMac(const MacAddress& mac) const;
    int findLatestByIp(const Address& ip) const;
    int countByMac(const MacAddress& mac) const;

    // Adds the pair (lastScanning and requestCount 0) or refreshes it, stamping lastUpdate with
    // `now`. When all slots are in use a new pair takes the slot of the record seen longest ago.
    // Returns the count.
    int touchStation(const Address& ip, const MacAddress& mac, TDateTime now);
    // Removes a record, keeping the order of the rest; an index at or beyond the count does
    // nothing. Returns the count.
    int deleteStation(int index);
    // Removes the records at `indices` (in any order; repeats and indices out of range are
    // passed over) in one pass, as deleteStation on each from the highest down would. Returns
    // the count.
    int deleteStations(std::vector<int> indices);
    void resetRequestCounts();
    void addRequest(int index);
    void setLastScanning(int index, TDateTime when);
    // Sorts the valid records in place; indices taken before the sort mean nothing after it.
    void sortStations(const BasicStationCompare<Address>& compare);

    // Replaces the table with the image in the file, as far as the file reaches; slots beyond a
    // short file keep their bytes. Returns the count, or the unchanged count when the file cannot
    // be opened. A count outside 0 to 8192 is clamped.
    int loadStations(const std::string& path);
    // Writes the whole image to a new file and renames it over `path`. False when nothing was
    // written.
    [[nodiscard]] bool saveStations(const std::string& path) const;

    // The image of the table's file (on the heap: too large for a thread's stack).
    std::vector<std::uint8_t> image() const;
    void loadImagePrefix(std::span<const std::uint8_t> bytes);

private:
    friend class BasicStationTable;
    Access(BasicStationTable& table) : m_table(table), m_lock(table.m_guard) {}
    static std::size_t checked(int index);
    int oldestRecord();
    void reindex();
    std::span<const Record> valid() const;

    BasicStationTable& m_table;
    std::unique_lock<std::mutex> m_lock;
};

} // namespace qv
