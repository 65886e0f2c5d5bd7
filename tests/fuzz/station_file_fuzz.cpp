// Fuzzes the load of ipmac.dat from whatever bytes the file holds. Beyond "no crash": the count
// is brought within the slots, the index agrees with the records, every field the file reached is
// loaded as it stands (padding is written as zeros), the slots it did not reach keep their empty
// records, and what a save writes of the table (its count and the records the file reached) loads
// back identically.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "common/byte_order.h"
#include "tests/fuzz/table_checks.h"

namespace {

using namespace qv;

std::array<std::uint8_t, STATION_RECORD_SIZE> encoded(const StationRecord& record) {
    std::array<std::uint8_t, STATION_RECORD_SIZE> bytes;
    encodeStationRecord(record, bytes);
    return bytes;
}

bool padding(std::size_t inRecord) {
    return (inRecord >= 10 && inRecord < 16) || inRecord >= 36;
}

// Two tables live across inputs (a fresh pair per input would cost more than the load); each input
// ends by emptying the slots it reached.
void empty(StationTable::Access& t, std::size_t records) {
    t.loadImagePrefix(std::vector<std::uint8_t>(4 + records * STATION_RECORD_SIZE, 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static StationTable table;
    static StationTable again;
    auto t = table.lock();
    t.loadImagePrefix(std::span(data, size));
    fuzz::checkTable(t);

    const std::size_t reached = std::min(size, STATION_FILE_SIZE);
    const std::size_t records =
        reached > 4 ? (reached - 4 + STATION_RECORD_SIZE - 1) / STATION_RECORD_SIZE : 0;
    std::vector<std::uint8_t> saved(4);
    storeLeI32(saved.data(), t.count());
    if (reached >= 4 && t.count() != std::clamp(loadLeI32(data), 0, STATION_SLOTS)) {
        std::abort();
    }
    for (std::size_t i = 0; i < records; ++i) {
        const auto bytes = encoded(t.slot(static_cast<int>(i)));
        for (std::size_t k = 0; k < STATION_RECORD_SIZE; ++k) {
            const std::size_t at = 4 + i * STATION_RECORD_SIZE + k;
            const std::uint8_t expected = at < reached && !padding(k) ? data[at] : 0;
            if (bytes[k] != expected) {
                std::abort();
            }
        }
        saved.insert(saved.end(), bytes.begin(), bytes.end());
    }
    if (records < STATION_SLOTS &&
        encoded(t.slot(static_cast<int>(records))) != encoded(StationRecord{})) {
        std::abort();
    }

    auto a = again.lock();
    a.loadImagePrefix(saved);
    fuzz::checkTable(a);
    for (std::size_t i = 0; i < records; ++i) {
        if (encoded(a.slot(static_cast<int>(i))) != encoded(t.slot(static_cast<int>(i)))) {
            std::abort();
        }
    }
    if (a.count() != t.count()) {
        std::abort();
    }
    empty(t, records);
    empty(a, records);
    return 0;
}
