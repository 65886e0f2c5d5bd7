#include "bench/bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/station_table.h"
#include "settings/settings_file.h"

#include <algorithm>

namespace qv::bench {

IPv4Address stationIp(std::uint32_t n) {
    return {10, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}

MacAddress stationMac(std::uint32_t n) {
    return {0x02,
            0x00,
            static_cast<std::uint8_t>(n >> 24),
            static_cast<std::uint8_t>(n >> 16),
            static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n)};
}

std::array<std::uint8_t, 42> arpRequest(const MacAddress& mac, const IPv4Address& ip,
                                        const IPv4Address& target) {
    std::array<std::uint8_t, 42> f{};
    std::fill_n(f.begin(), 6, 0xFF);
    std::copy(mac.begin(), mac.end(), f.begin() + 6);
    const std::uint8_t header[] = {0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 6, 4, 0x00, 0x01};
    std::copy(std::begin(header), std::end(header), f.begin() + 12);
    std::copy(mac.begin(), mac.end(), f.begin() + 22);
    std::copy(ip.begin(), ip.end(), f.begin() + 28);
    std::copy(target.begin(), target.end(), f.begin() + 38);
    return f;
}

void writeFullFolder(const DataFolder& folder) {
    Settings record = defaultSettings("");
    record.AdapterCount = 0;
    auto table = std::make_unique<StationTable>();
    auto t = table->lock();
    for (std::uint32_t n = 0; n < STATION_SLOTS; ++n) {
        t.touchStation(stationIp(n), stationMac(n), 46000.0 + n / 86400.0);
    }
    if (!SaveSettings(record, folder) || !t.saveStations(folder.DataFilePath(STATION_FILE_NAME))) {
        std::fprintf(stderr, "cannot write the data folder %s\n", folder.folder().c_str());
        std::abort();
    }
}

} // namespace qv::bench
