#include "engine/scan_detector.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/event_kind.h"

namespace qv {
namespace {

bool isIgnored(const Settings& s, const IPv4Address& ip) {
    const auto end = s.IgnoreList.begin() + ignoreCount(s);
    return std::find(s.IgnoreList.begin(), end, ip) != end;
}

// Counts the requests of the newest `n` log entries into the records of their pairs. Replies,
// requests to the all-ones hardware address and pairs not in the table do not count.
void countRequests(const ArpLogRing::Access& log, int n, StationTable::Access& table) {
    for (int age = 0; age < n; ++age) {
        const ArpFrameView f(log.newest(age).frame);
        if (f.operation() != ARP_REQUEST || f.targetMac() == BROADCAST_MAC) {
            continue;
        }
        const int i = table.findPair(f.senderIp(), f.senderMac());
        if (i != NO_STATION) {
            table.addRequest(i);
        }
    }
}

std::string scanDetails(const StationRecord& r) {
    return "Host " + IPToText(r.ip) + "\n(MAC: " + MACToText(r.mac) + ") generated " +
           std::to_string(r.requestCount) + " requests.";
}

} // namespace

ScanDetector::ScanDetector(const SharedSettings& settings, StationTable& table, ArpLogRing& liveLog,
                           EventAnnouncer& announcer, const Clock& clock,
                           std::function<void()> refreshArpTable)
    : m_settings(settings), m_table(table), m_liveLog(liveLog), m_announcer(announcer),
      m_clock(clock), m_refreshArpTable(std::move(refreshArpTable)) {}

bool ScanDetector::detectScans() noexcept {
    try {
        return scan();
    } catch (...) {
        m_failedPasses.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
}

bool ScanDetector::scan() {
    const int kept = m_liveLog.lock().countRecent(ARP_LOG_WINDOW_SECONDS, true, m_clock.now());
    if (m_refreshArpTable) {
        m_refreshArpTable();
    }
    const Settings s = m_settings.snapshot();
    if (!s.DetectNetworkScanning) {
        return kept == 0;
    }
    std::vector<std::string> events;
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
                events.push_back(scanDetails(r));
            }
            table.setLastScanning(i, now);
        }
    }
    for (const std::string& details : events) {
        m_announcer.AnnounceEvent(eventKindText(EventKind::NetworkScanning), details);
    }
    return kept == 0;
}

} // namespace qv
