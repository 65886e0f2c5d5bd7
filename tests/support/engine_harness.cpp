#include "tests/support/engine_harness.h"

namespace qv::test {

EngineHarness::EngineHarness(const Settings& initial)
    : folder(root / "Quorvane"), settings(initial), csvWriter(folder, settings),
      ndpWriter(folder, settings, NDP_CSV_FILES),
      clock(encodeDateTime({2026, 12, 6, 18, 1, 52, 0})),
      detector(settings, stores(), announcer, clock),
      scans(settings, table, *table6, *liveLog, announcer, clock, detector.adapterNames()) {}

bool EngineHarness::ndpFrame(std::span<const std::uint8_t> bytes) {
    const auto message = decodeNdpFrame(bytes);
    if (!message) {
        return false;
    }
    FrameBatch batch;
    detector.processNdpMessage(*message, batch);
    detector.endBatch(batch);
    return true;
}

void EngineHarness::station(const IPv4Address& ip, const MacAddress& mac, double secondsAgo) {
    table.lock().touchStation(ip, mac, clock.now() - secondsAgo / SECONDS_PER_DAY);
}

std::string EngineHarness::csv() const {
    return readText(folder.folder() / ARP_CSV_FILE_NAME);
}

std::string EngineHarness::ndpCsv() const {
    return readText(folder.folder() / NDP_CSV_FILE_NAME);
}

} // namespace qv::test
