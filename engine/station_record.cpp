#include "engine/station_record.h"

#include <algorithm>

#include "common/byte_order.h"

namespace qv {

template <typename Address>
void encodeStationRecord(const BasicStationRecord<Address>& r,
                         std::span<std::uint8_t, stationRecordSize<Address>> out) {
    using Record = BasicStationRecord<Address>;
    std::fill(out.begin(), out.end(), 0);
    std::copy(r.ip.begin(), r.ip.end(), out.begin());
    std::copy(r.mac.begin(), r.mac.end(), out.begin() + offsetof(Record, mac));
    storeLeDouble(&out[offsetof(Record, lastUpdate)], r.lastUpdate);
    storeLeDouble(&out[offsetof(Record, lastScanning)], r.lastScanning);
    storeLeI32(&out[offsetof(Record, requestCount)], r.requestCount);
}

template <typename Address>
BasicStationRecord<Address>
decodeStationRecord(std::span<const std::uint8_t, stationRecordSize<Address>> in) {
    using Record = BasicStationRecord<Address>;
    Record r{};
    std::copy_n(in.begin(), r.ip.size(), r.ip.begin());
    r.mac = macFromBytes(&in[offsetof(Record, mac)]);
    r.lastUpdate = loadLeDouble(&in[offsetof(Record, lastUpdate)]);
    r.lastScanning = loadLeDouble(&in[offsetof(Record, lastScanning)]);
    r.requestCount = loadLeI32(&in[offsetof(Record, requestCount)]);
    return r;
}

template void encodeStationRecord(const StationRecord&, std::span<std::uint8_t, 40>);
template void encodeStationRecord(const StationRecord6&, std::span<std::uint8_t, 48>);
template StationRecord decodeStationRecord<IPv4Address>(std::span<const std::uint8_t, 40>);
template StationRecord6 decodeStationRecord<IPv6Address>(std::span<const std::uint8_t, 48>);

} // namespace qv
