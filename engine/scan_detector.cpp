#include "engine/scan_detector.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ndp_record.h"
#include "events/event.h"

namespace qv {
namespace {

bool isIgnored(const Settings& s, const IPv4Address& ip) {
    const auto end = s.IgnoreList.begin() + ignoreCount(s);
    return std::find(s.IgnoreList.begin(), end, ip) != end;
}

// The ignore list holds IPv4 addresses only.
bool isIgnored(const Settings&, const IPv6Address&) {
    return false;
}

template <typename Address>
std::string scanDetails(const BasicStationRecord<Address>& r) {
    return "Host " + addressText(r.ip) + "\n(MAC: " + MACToText(r.mac) + ") generated " +
           std::to_string(r.requestCount) + " requests.";
}

} // namespace

// Counts the requests of the newest `n` log entries into the records of their pairs, each
// family's into its own table, noting each pair's newest request's adapter (the first counted,
// newest first). Replies, requests to the all-ones hardware address, the other neighbour
// discovery messages and pairs not in the table do not count.
void ScanDetector::countRequests(const ArpLogRing::Access& log, int n, StationTable::Access& table,
                                 StationTable6::Access& table6) {
    forgetMovedStations<IPv4Address>(table, m_ipv4, LogFamily::Arp);
    forgetMovedStations<IPv6Address>(table6, m_ipv6, LogFamily::Ndp);
    for (int age = 0; age < n; ++age) {
        Found& found = packetAt(log, age);
        if (!found.counts) {
            continue;
        }
        if (found.family == LogFamily::Arp) {
            countRequest<IPv4Address>(found, table, m_ipv4);
        } else {
            countRequest<IPv6Address>(found, table6, m_ipv6);
        }
    }
}

// Stations that left the table may have moved others: what was found before is looked up again.
template <typename Address>
void ScanDetector::forgetMovedStations(const typename BasicStationTable<Address>::Access& table,
                                       Family& family, LogFamily kind) {
    if (table.count() < family.stationsSeen) {
        for (Found& found : m_found) {
            if (found.family == kind) {
                found.station = NO_STATION;
            }
        }
    }
    family.stationsSeen = table.count();
}

template <typename Address>
void ScanDetector::countRequest(Found& found, typename BasicStationTable<Address>::Access& table,
                                Family& family) const {
    const int i = stationOf<Address>(found, table);
    if (i == NO_STATION) {
        return;
    }
    if (table.record(i).requestCount == 0) {
        family.newestAdapter[static_cast<std::size_t>(i)] = found.adapter;
    }
    table.addRequest(i);
}

// What the pass needs of the packet `age` places back from the newest, read from the packet the
// first time a pass meets it.
ScanDetector::Found& ScanDetector::packetAt(const ArpLogRing::Access& log, int age) {
    const std::uint64_t sequence = log.appended() - 1 - static_cast<std::uint64_t>(age);
    Found& found = m_found[static_cast<std::size_t>(sequence % ARP_LOG_SLOTS)];
    if (found.sequence != sequence) {
        const ArpLogEntry& entry = log.newest(age);
        found = Found{};
        found.sequence = sequence;
        found.adapter = entry.adapter;
        found.family = entry.family;
        if (entry.family == LogFamily::Arp) {
            const ArpFrameView f(entry.frame);
            const IPv4Address ip = f.senderIp();
            std::copy(ip.begin(), ip.end(), found.senderIp.begin());
            found.senderMac = f.senderMac();
            found.counts = f.operation() == ARP_REQUEST && f.targetMac() != BROADCAST_MAC;
        } else {
            const NdpRecordView m(entry.frame);
            found.senderIp = m.ip();
            found.senderMac = m.mac();
            found.counts = m.type() == NdpType::NeighbourSolicitation;
        }
    }
    return found;
}

// The station of a packet: the one found for it before, when it still holds the packet's pair,
// else the table's.
template <typename Address>
int ScanDetector::stationOf(Found& found,
                            const typename BasicStationTable<Address>::Access& table) const {
    const Address ip = found.ip<Address>();
    if (found.station != NO_STATION && found.station < table.count()) {
        const auto& r = table.record(found.station);
        if (r.ip == ip && r.mac == found.senderMac) {
            return found.station;
        }
    }
    found.station = table.findPair(ip, found.senderMac);
    return found.station;
}

ScanDetector::ScanDetector(const SharedSettings& settings, StationTable& table,
                           StationTable6& table6, ArpLogRing& liveLog, EventAnnouncer& announcer,
                           const Clock& clock, const AdapterNames& adapters)
    : m_settings(settings), m_table(table), m_table6(table6), m_liveLog(liveLog),
      m_announcer(announcer), m_clock(clock), m_adapters(adapters) {}

bool ScanDetector::detectScans() noexcept {
    const int kept = trimLiveLog();
    const std::uint64_t failed = failedPasses();
    reportScans();
    return kept == 0 && failedPasses() == failed;
}

int ScanDetector::trimLiveLog() noexcept {
    try {
        return m_liveLog.lock().countRecent(ARP_LOG_WINDOW_SECONDS, true, m_clock.now());
    } catch (...) {
        m_failedPasses.fetch_add(1, std::memory_order_relaxed);
        return -1;
    }
}

void ScanDetector::reportScans() noexcept {
    try {
        scan();
        m_announcer.closeSeconds();
    } catch (...) {
        m_failedPasses.fetch_add(1, std::memory_order_relaxed);
    }
}

void ScanDetector::scan() {
    const Settings s = m_settings.snapshot();
    if (!s.DetectNetworkScanning) {
        return;
    }
    std::vector<Event> events;
    {
        auto log = m_liveLog.lock();
        auto table = m_table.lock();
        auto table6 = m_table6.lock();
        table.resetRequestCounts();
        table6.resetRequestCounts();
        countRequests(log, log.countRecent(s.ScanInterval, false, m_clock.now()), table, table6);
        collectScans<IPv4Address>(s, table, m_ipv4, events);
        collectScans<IPv6Address>(s, table6, m_ipv6, events);
    }
    for (const Event& event : events) {
        m_announcer.AnnounceEvent(event);
    }
}

// The events of the table's bindings over the threshold, each stamped as reported.
template <typename Address>
void ScanDetector::collectScans(const Settings& s,
                                typename BasicStationTable<Address>::Access& table,
                                const Family& family, std::vector<Event>& events) const {
    for (int i = 0; i < table.count(); ++i) {
        const auto& r = table.record(i);
        if (r.requestCount <= s.ScanRequests) {
            continue;
        }
        const TDateTime now = m_clock.now();
        if (isIgnored(s, r.ip)) {
            continue;
        }
        // A damaged time of the last report counts as never reported.
        if (!isCalendarTime(r.lastScanning) ||
            ageInSeconds(now, r.lastScanning) > SCAN_HOLD_OFF_SECONDS) {
            // The names' guard is a leaf: nothing is taken while it is held.
            events.push_back({EventKind::NetworkScanning, 0.0, IPAddress(r.ip), r.mac,
                              m_adapters.name(family.newestAdapter[static_cast<std::size_t>(i)]),
                              scanDetails(r)});
        }
        table.setLastScanning(i, now);
    }
}

} // namespace qv
