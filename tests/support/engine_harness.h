#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/arp_detector.h"
#include "engine/scan_detector.h"
#include "tests/support/arp_frames.h"
#include "tests/support/temp_folder.h"

namespace qv::test {

// Keeps every announced event as (type, details), and whole.
class RecordingAnnouncer : public EventAnnouncer {
public:
    void AnnounceEvent(const Event& event) override {
        std::lock_guard lock(m_guard);
        events.emplace_back(event.type(), event.details);
        announced.push_back(event);
    }
    std::vector<std::pair<std::string, std::string>> events;
    std::vector<Event> announced;

private:
    std::mutex m_guard;
};

// The engine's stores and detectors on a temporary data folder with a clock the test sets.
struct EngineHarness {
    explicit EngineHarness(const Settings& initial = qv::defaultSettings("/x/"));

    void frame(const Frame42& f) { detector.processArpFrame(f); }
    // A neighbour discovery frame, through the capture's decoder: false when it rejects it.
    bool ndpFrame(std::span<const std::uint8_t> bytes);
    DetectorStores stores() { return {table, *table6, *liveLog, csvWriter, ndpWriter}; }
    // Adds a binding to the table directly, seen `secondsAgo` before the clock's time.
    void station(const IPv4Address& ip, const MacAddress& mac, double secondsAgo = 60);
    void advance(double seconds) { clock.advanceSeconds(seconds); }
    std::string csv() const;
    std::string ndpCsv() const;

    TempFolder root;
    DataFolder folder;
    SharedSettings settings;
    StationTable table;
    std::unique_ptr<StationTable6> table6 = std::make_unique<StationTable6>();
    std::unique_ptr<ArpLogRing> liveLog = std::make_unique<ArpLogRing>();
    ArpCsvWriter csvWriter;
    ArpCsvWriter ndpWriter;
    RecordingAnnouncer announcer;
    ManualClock clock;
    ArpDetector detector;
    ScanDetector scans;
};

} // namespace qv::test
