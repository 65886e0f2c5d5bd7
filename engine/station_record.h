#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/addresses.h"
#include "common/date_time.h"

namespace qv {

inline constexpr std::size_t STATION_RECORD_SIZE = 40;

// One (IP, MAC) binding; the same 40 bytes in memory and in ipmac.dat.
struct StationRecord {
    IPv4Address ip;
    MacAddress mac;
    std::array<std::uint8_t, 6> padding1;
    TDateTime lastUpdate;
    TDateTime lastScanning; // 0 means never
    std::int32_t requestCount;
    std::array<std::uint8_t, 4> padding2;
};

static_assert(sizeof(StationRecord) == STATION_RECORD_SIZE);
static_assert(offsetof(StationRecord, ip) == 0);
static_assert(offsetof(StationRecord, mac) == 4);
static_assert(offsetof(StationRecord, lastUpdate) == 16);
static_assert(offsetof(StationRecord, lastScanning) == 24);
static_assert(offsetof(StationRecord, requestCount) == 32);

// The record's bytes, padding written as zero.
void encodeStationRecord(const StationRecord& record, std::span<std::uint8_t, 40> out);
StationRecord decodeStationRecord(std::span<const std::uint8_t, 40> in);

} // namespace qv
