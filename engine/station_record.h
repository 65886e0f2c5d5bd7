#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/addresses.h"
#include "common/date_time.h"

namespace qv {

// One (IP, MAC) binding of an address family; the same bytes in memory and in its table's file.
// The address and the MAC are padded to an 8-byte boundary, so the times are aligned.
template <typename Address>
struct BasicStationRecord {
    Address ip;
    MacAddress mac;
    std::array<std::uint8_t, 8 - (sizeof(Address) + 6) % 8> padding1;
    TDateTime lastUpdate;
    TDateTime lastScanning; // 0 means never
    std::int32_t requestCount;
    std::array<std::uint8_t, 4> padding2;
};

using StationRecord = BasicStationRecord<IPv4Address>;  // ipmac.dat
using StationRecord6 = BasicStationRecord<IPv6Address>; // ipmac6.dat

template <typename Address>
inline constexpr std::size_t stationRecordSize = sizeof(BasicStationRecord<Address>);
inline constexpr std::size_t STATION_RECORD_SIZE = stationRecordSize<IPv4Address>;
inline constexpr std::size_t STATION6_RECORD_SIZE = stationRecordSize<IPv6Address>;

static_assert(STATION_RECORD_SIZE == 40);
static_assert(offsetof(StationRecord, ip) == 0);
static_assert(offsetof(StationRecord, mac) == 4);
static_assert(offsetof(StationRecord, lastUpdate) == 16);
static_assert(offsetof(StationRecord, lastScanning) == 24);
static_assert(offsetof(StationRecord, requestCount) == 32);

static_assert(STATION6_RECORD_SIZE == 48);
static_assert(offsetof(StationRecord6, ip) == 0);
static_assert(offsetof(StationRecord6, mac) == 16);
static_assert(offsetof(StationRecord6, lastUpdate) == 24);
static_assert(offsetof(StationRecord6, lastScanning) == 32);
static_assert(offsetof(StationRecord6, requestCount) == 40);

// The record's bytes, little-endian, padding written as zero.
template <typename Address>
void encodeStationRecord(const BasicStationRecord<Address>& record,
                         std::span<std::uint8_t, stationRecordSize<Address>> out);
template <typename Address>
BasicStationRecord<Address>
decodeStationRecord(std::span<const std::uint8_t, stationRecordSize<Address>> in);

} // namespace qv
