#include "tests/support/engine_harness.h"

namespace qv::test {

EngineHarness::EngineHarness(const Settings& initial)
    : folder(root / "Quorvane"), settings(initial), csvWriter(folder, settings),
      clock(encodeDateTime({2026, 12, 6, 18, 1, 52, 0})),
      detector(settings, table, *liveLog, csvWriter, announcer, clock),
      scans(settings, table, *liveLog, announcer, clock, detector.adapterNames()) {}

void EngineHarness::station(const IPv4Address& ip, const MacAddress& mac, double secondsAgo) {
    table.lock().touchStation(ip, mac, clock.now() - secondsAgo / SECONDS_PER_DAY);
}

std::string EngineHarness::csv() const {
    return readText(folder.folder() / ARP_CSV_FILE_NAME);
}

} // namespace qv::test
