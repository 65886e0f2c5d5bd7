#pragma once

#include <cstdint>
#include <span>

#include "app/shared_settings.h"
#include "common/clock.h"
#include "engine/arp_csv_writer.h"
#include "engine/arp_log.h"
#include "engine/station_table.h"
#include "events/notifier.h"

namespace qv {

// True when bytes 12 to 19 are 08 06, 00 01, 08 00, 06, 04: Ethernet II carrying ARP for IPv4
// over Ethernet. A frame too short to hold them is not ARP.
bool isArpFrame(std::span<const std::uint8_t> frame) noexcept;

// The heart of the engine: logs each accepted frame, checks its hardware addresses, classifies
// the sender's binding against the station table, records the binding and appends the frame's
// ARP.csv line. Runs on the capture threads, up to 16 at a time.
class ArpDetector {
public:
    ArpDetector(const SharedSettings& settings, StationTable& table, ArpLogRing& liveLog,
                ArpCsvWriter& csv, EventAnnouncer& announcer, const Clock& clock);

    // `frame` holds the first 42 bytes of an accepted frame for the duration of the call. The
    // table's guard is held from the first lookup to the end of the touch; events are announced
    // with no guard held, in the order broadcast, mismatch, binding.
    void processArpFrame(const std::uint8_t* frame) noexcept;

private:
    const SharedSettings& m_settings;
    StationTable& m_table;
    ArpLogRing& m_liveLog;
    ArpCsvWriter& m_csv;
    EventAnnouncer& m_announcer;
    const Clock& m_clock;
};

} // namespace qv
