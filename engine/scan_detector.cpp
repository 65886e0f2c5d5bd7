#include "engine/scan_detector.h"

#include <algorithm>
#include <string>
#include <vector>

#include "events/event.h"

namespace qv {
namespace {

bool isIgnored(const Settings& s, const IPv4Address& ip) {
    const auto end = s.IgnoreList.begin() + ignoreCount(s);
    return std::find(s.IgnoreList.begin(), end, ip) != end;
}

std::string scanDetails(const StationRecord& r) {
    return "Host " + IPToText(r.ip) + "\n(MAC: " + MACToText(r.mac) + ") generated " +
           std::to_string(r.requestCount) + " requests.";
}

} // namespace

// Counts the requests of the newest `n` log entries into the records of their pairs, noting
// each pair's newest request's adapter (the first counted, newest first). Replies, requests to
// the all-ones hardware address and pairs not in the table do not count.
void ScanDetector::countRequests(const ArpLogRing::Access& log, int n,
                                 StationTable::Access& table) {
    // Stations that left the table may have moved others: what was found before is looked up
    // again.
    if (table.count() < m_stationsSeen) {
        for (Found& found : m_found) {
            found.station = NO_STATION;
        }
    }
    m_stationsSeen = table.count();
    for (int age = 0; age < n; ++age) {
        Found& found = packetAt(log, age);
        if (!found.counts) {
            continue;
        }
        const int i = stationOf(found, table);
        if (i == NO_STATION) {
            continue;
        }
        if (table.record(i).requestCount == 0) {
            m_newestAdapter[static_cast<std::size_t>(i)] = found.adapter;
        }
        table.addRequest(i);
    }
}

// What the pass needs of the packet `age` places back from the newest, read from the packet the
// first time a pass meets it.
ScanDetector::Found& ScanDetector::packetAt(const ArpLogRing::Access& log, int age) {
    const std::uint64_t sequence = log.appended() - 1 - static_cast<std::uint64_t>(age);
    Found& found = m_found[static_cast<std::size_t>(sequence % ARP_LOG_SLOTS)];
    if (found.sequence != sequence) {
        const ArpLogEntry& entry = log.newest(age);
        const ArpFrameView f(entry.frame);
        found = {sequence,      NO_STATION,
                 f.senderIp(),  f.senderMac(),
                 entry.adapter, f.operation() == ARP_REQUEST && f.targetMac() != BROADCAST_MAC};
    }
    return found;
}

// The station of a packet: the one found for it before, when it still holds the packet's pair,
// else the table's.
int ScanDetector::stationOf(Found& found, const StationTable::Access& table) const {
    if (found.station != NO_STATION && found.station < table.count()) {
        const StationRecord& r = table.record(found.station);
        if (r.ip == found.senderIp && r.mac == found.senderMac) {
            return found.station;
        }
    }
    found.station = table.findPair(found.senderIp, found.senderMac);
    return found.station;
}

ScanDetector::ScanDetector(const SharedSettings& settings, StationTable& table, ArpLogRing& liveLog,
                           EventAnnouncer& announcer, const Clock& clock,
                           const AdapterNames& adapters)
    : m_settings(settings), m_table(table), m_liveLog(liveLog), m_announcer(announcer),
      m_clock(clock), m_adapters(adapters) {}

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
        table.resetRequestCounts();
        countRequests(log, log.countRecent(s.ScanInterval, false, m_clock.now()), table);
        for (int i = 0; i < table.count(); ++i) {
            const StationRecord& r = table.record(i);
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
                events.push_back({EventKind::NetworkScanning, 0.0, r.ip, r.mac,
                                  m_adapters.name(m_newestAdapter[static_cast<std::size_t>(i)]),
                                  scanDetails(r)});
            }
            table.setLastScanning(i, now);
        }
    }
    for (const Event& event : events) {
        m_announcer.AnnounceEvent(event);
    }
}

} // namespace qv
