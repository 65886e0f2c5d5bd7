#include "engine/arp_detector.h"

#include <optional>
#include <string>

#include "events/event.h"

namespace qv {
namespace {

bool isZeroOrBroadcast(const MacAddress& mac) {
    return mac == ZERO_MAC || mac == BROADCAST_MAC;
}

// An event about the frame's station, its ARP sender: its binding (ip, mac), or, for the checks
// of its hardware addresses, its MAC alone.
Event senderEvent(EventKind kind, std::optional<IPv4Address> ip, const MacAddress& mac,
                  std::string details) {
    return Event{kind, 0.0, ip, mac, {}, std::move(details)};
}

// Decides the binding event of (ip, mac) against the table before the table is changed; the
// caller holds the table's guard.
std::optional<Event> classify(const StationTable::Access& t, const IPv4Address& ip,
                              const MacAddress& mac) {
    const auto event = [&](EventKind kind, std::string details) {
        return senderEvent(kind, ip, mac, std::move(details));
    };
    const int byMac = t.findLatestByMac(mac);
    const int byIp = t.findLatestByIp(ip);
    const bool probe = ip == ZERO_IP;
    if (byMac == NO_STATION && byIp == NO_STATION) {
        if (probe) {
            return std::nullopt;
        }
        return event(EventKind::NewStation, IPToText(ip) + ", hwaddr: " + MACToText(mac));
    }
    if (byMac == NO_STATION) {
        return event(EventKind::ChangedEthernetAddress, IPToText(ip) + " from " +
                                                            MACToText(t.record(byIp).mac) + " to " +
                                                            MACToText(mac));
    }
    if (byIp == NO_STATION) {
        if (probe) {
            return std::nullopt;
        }
        return event(EventKind::NewActivity, MACToText(mac) + ", ip: " + IPToText(ip));
    }
    if (t.record(byIp).mac == mac) {
        return std::nullopt;
    }
    if (t.countByMac(mac) == 1 && t.record(byMac).ip == ip) {
        return event(EventKind::ReusedOldEthernetAddress,
                     IPToText(ip) + ", hwaddr: " + MACToText(mac));
    }
    return event(EventKind::FlipFlop, MACToText(mac) + " takes other's IP: " + IPToText(ip));
}

// The frame's ARP.csv line, appended to the batch.
void appendCsvLine(ArpCsvBatch& batch, const ArpFrameView& f, TDateTime t) {
    std::string& out = batch.text();
    out += DateTimeText(t);
    out += ';';
    out += f.operation() == ARP_REQUEST ? "request" : f.operation() == ARP_REPLY ? "response" : "";
    out += ';';
    appendIPText(out, f.senderIp());
    out += ';';
    appendMACText(out, f.senderMac());
    out += ';';
    appendIPText(out, f.targetIp());
    out += ';';
    appendMACText(out, f.targetMac());
    out += "\r\n";
    batch.endLine();
}

} // namespace

ArpDetector::ArpDetector(const SharedSettings& settings, StationTable& table, ArpLogRing& liveLog,
                         ArpCsvWriter& csv, EventAnnouncer& announcer, const Clock& clock)
    : m_settings(settings), m_table(table), m_liveLog(liveLog), m_csv(csv), m_announcer(announcer),
      m_clock(clock) {}

void ArpDetector::processArpFrame(ArpFrameBytes frame, AdapterId adapter) noexcept {
    FrameBatch one;
    processArpFrame(frame, one, adapter);
    endBatch(one);
}

void ArpDetector::processArpFrame(ArpFrameBytes frame, FrameBatch& batch,
                                  AdapterId adapter) noexcept {
    try {
        process(frame, batch, adapter);
    } catch (...) {
        m_failedFrames.fetch_add(1, std::memory_order_relaxed);
    }
}

// Events that could not be announced (no memory) are counted as frames cut short.
void ArpDetector::announceEvents(FrameBatch& batch) noexcept {
    try {
        m_announcer.AnnounceEvents(batch.events);
    } catch (...) {
        m_failedFrames.fetch_add(batch.events.size(), std::memory_order_relaxed);
    }
    batch.events.clear();
}

void ArpDetector::endBatch(FrameBatch& batch) noexcept {
    announceEvents(batch);
    try {
        m_csv.appendArpCsv(batch.lines);
    } catch (...) {
        m_failedFrames.fetch_add(batch.lines.lines(), std::memory_order_relaxed);
    }
    batch.lines.clear();
}

// One reading of the clock serves the log entry, the table's stamp and the file's line: the local
// clock costs a time-zone conversion, and the three moments lie microseconds apart anyway.
void ArpDetector::process(ArpFrameBytes frame, FrameBatch& batch, AdapterId adapter) {
    const TDateTime t = m_clock.now();
    m_liveLog.lock().appendArpLog(frame, t, adapter);

    const ArpFrameView f(frame);
    const MacAddress source = f.ethernetSource();
    const MacAddress mac = f.senderMac();
    const IPv4Address ip = f.senderIp();
    auto raise = [&](Event event) {
        if (m_settings.flag(eventKindFlag(event.kind))) {
            event.adapter = m_adapterNames.name(adapter);
            batch.events.push_back(std::move(event));
        }
    };
    if (isZeroOrBroadcast(source) || isZeroOrBroadcast(mac)) {
        raise(senderEvent(EventKind::EthernetBroadcast, std::nullopt, mac,
                          "The source mac(" + MACToText(source) + ") or arp ethernet address(" +
                              MACToText(mac) + ") was all ones or all zeros."));
    }
    if (source != mac) {
        raise(senderEvent(EventKind::EthernetMismatch, std::nullopt, mac,
                          "The source mac ethernet address(" + MACToText(source) +
                              ") didn`t match the address inside the arp packet(" + MACToText(mac) +
                              ")."));
    }
    std::optional<Event> binding;
    {
        auto table = m_table.lock();
        binding = classify(table, ip, mac);
        if (ip != ZERO_IP) {
            table.touchStation(ip, mac, t);
        }
    }
    if (binding) {
        raise(std::move(*binding));
    }
    appendCsvLine(batch.lines, f, t);
}

} // namespace qv
