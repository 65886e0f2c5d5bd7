#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/clock.h"
#include "engine/adapter_names.h"
#include "engine/arp_log.h"
#include "engine/station_table.h"
#include "events/event.h"
#include "events/event_announcer.h"
#include "settings/shared_settings.h"

namespace qv {

// Bindings reported again only after this long without an over-threshold pass.
inline constexpr double SCAN_HOLD_OFF_SECONDS = 10.0;

// The once-a-second pass: trims the live log to its 300-second window, and reports every binding
// that sent more than ScanRequests requests (ARP requests, or neighbour solicitations) within the
// last ScanInterval seconds and is not on the ignore list. A program that shows the live log (the
// tray program's ARP log page) runs the two steps itself, refreshing the page between them.
class ScanDetector {
public:
    ScanDetector(const SharedSettings& settings, StationTable& table, StationTable6& table6,
                 ArpLogRing& liveLog, EventAnnouncer& announcer, const Clock& clock,
                 const AdapterNames& adapters);

    // Both steps. True when the pass was idle: the live log was empty, so every request count is
    // zero and, until the next frame, further passes change nothing whatever the settings say. A
    // pass cut short by an exception is counted and is not idle.
    bool detectScans() noexcept;
    // The first step: the live log keeps its last 300 seconds. The number of entries kept, or -1
    // when the step was cut short (and counted).
    int trimLiveLog() noexcept;
    // The second step: holds the log's guard, then the IPv4 table's, then the IPv6 table's while
    // it counts and stamps; announces the events afterwards, in table order (IPv4 first), with no
    // guard held. Each names the
    // adapter of its binding's newest request. Then the announcer closes the seconds that are
    // over (EventAnnouncer::closeSeconds).
    void reportScans() noexcept;

    std::uint64_t failedPasses() const { return m_failedPasses.load(std::memory_order_relaxed); }

private:
    struct Found;
    // What a pass keeps of one address family's table.
    struct Family {
        // Per station index, the adapter of its newest request counted in this pass.
        std::array<AdapterId, STATION_SLOTS> newestAdapter{};
        int stationsSeen = 0; // the table's count at the last pass
    };

    void scan();
    void countRequests(const ArpLogRing::Access& log, int n, StationTable::Access& table,
                       StationTable6::Access& table6);
    Found& packetAt(const ArpLogRing::Access& log, int age);
    template <typename Address>
    int stationOf(Found& found, const typename BasicStationTable<Address>::Access& table) const;
    template <typename Address>
    void forgetMovedStations(const typename BasicStationTable<Address>::Access& table,
                             Family& family, LogFamily kind);
    template <typename Address>
    void countRequest(Found& found, typename BasicStationTable<Address>::Access& table,
                      Family& family) const;
    template <typename Address>
    void collectScans(const Settings& s, typename BasicStationTable<Address>::Access& table,
                      const Family& family, std::vector<Event>& events) const;

    const SharedSettings& m_settings;
    StationTable& m_table;
    StationTable6& m_table6;
    ArpLogRing& m_liveLog;
    EventAnnouncer& m_announcer;
    const Clock& m_clock;
    const AdapterNames& m_adapters;
    Family m_ipv4;
    Family m_ipv6;
    // Per log slot, what the pass needs of its packet and the station it was found to be from
    // in an earlier pass: a pass counts mostly the packets the last one counted, and reading
    // these bytes and checking a station is cheaper than reading the packet and looking the
    // station up.
    struct Found {
        std::uint64_t sequence = UINT64_MAX;
        int station = NO_STATION;
        std::array<std::uint8_t, 16> senderIp{}; // an IPv4 address in its first four bytes
        MacAddress senderMac{};
        AdapterId adapter{};
        LogFamily family{};
        // An ARP request to a hardware address other than all ones, or a neighbour solicitation.
        bool counts = false;

        template <typename Address>
        Address ip() const {
            Address a;
            std::copy_n(senderIp.begin(), a.size(), a.begin());
            return a;
        }
    };
    std::array<Found, ARP_LOG_SLOTS> m_found{};
    std::atomic<std::uint64_t> m_failedPasses{0};
};

} // namespace qv
