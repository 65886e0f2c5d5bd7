#include "engine/station_record.h"

#include <algorithm>

#include "common/byte_order.h"

namespace qv {

void encodeStationRecord(const StationRecord& r, std::span<std::uint8_t, 40> out) {
    std::fill(out.begin(), out.end(), 0);
    std::copy(r.ip.begin(), r.ip.end(), out.begin());
    std::copy(r.mac.begin(), r.mac.end(), out.begin() + 4);
    storeLeDouble(&out[16], r.lastUpdate);
    storeLeDouble(&out[24], r.lastScanning);
    storeLeI32(&out[32], r.requestCount);
}

StationRecord decodeStationRecord(std::span<const std::uint8_t, 40> in) {
    StationRecord r{};
    r.ip = ipFromBytes(&in[0]);
    r.mac = macFromBytes(&in[4]);
    r.lastUpdate = loadLeDouble(&in[16]);
    r.lastScanning = loadLeDouble(&in[24]);
    r.requestCount = loadLeI32(&in[32]);
    return r;
}

} // namespace qv
