#include "engine/arp_detector.h"

#include <optional>
#include <string>

#include "engine/ndp_record.h"
#include "events/event.h"

namespace qv {
namespace {

bool isZeroOrBroadcast(const MacAddress& mac) {
    return mac == ZERO_MAC || mac == BROADCAST_MAC;
}

// An event about the frame's station, its ARP sender: its binding (ip, mac), or, for the checks
// of its hardware addresses, its MAC alone.
Event senderEvent(EventKind kind, std::optional<IPAddress> ip, const MacAddress& mac,
                  std::string details) {
    return Event{kind, 0.0, ip, mac, {}, std::move(details)};
}

// Decides the binding event of (ip, mac) against the table before the table is changed; the
// caller holds the table's guard. The unspecified address (an ARP probe's, or duplicate address
// detection's) is never in the table.
template <typename Address>
std::optional<Event> classify(const typename BasicStationTable<Address>::Access& t,
                              const Address& ip, const MacAddress& mac) {
    const auto event = [&](EventKind kind, std::string details) {
        return senderEvent(kind, ip, mac, std::move(details));
    };
    const int byMac = t.findLatestByMac(mac);
    const int byIp = t.findLatestByIp(ip);
    const bool probe = ip == Address{};
    if (byMac == NO_STATION && byIp == NO_STATION) {
        if (probe) {
            return std::nullopt;
        }
        return event(EventKind::NewStation, addressText(ip) + ", hwaddr: " + MACToText(mac));
    }
    if (byMac == NO_STATION) {
        return event(EventKind::ChangedEthernetAddress, addressText(ip) + " from " +
                                                            MACToText(t.record(byIp).mac) + " to " +
                                                            MACToText(mac));
    }
    if (byIp == NO_STATION) {
        if (probe) {
            return std::nullopt;
        }
        return event(EventKind::NewActivity, MACToText(mac) + ", ip: " + addressText(ip));
    }
    if (t.record(byIp).mac == mac) {
        return std::nullopt;
    }
    if (t.countByMac(mac) == 1 && t.record(byMac).ip == ip) {
        return event(EventKind::ReusedOldEthernetAddress,
                     addressText(ip) + ", hwaddr: " + MACToText(mac));
    }
    return event(EventKind::FlipFlop, MACToText(mac) + " takes other's IP: " + addressText(ip));
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

// The message's NDP.csv line: its source and the MAC of its source link-layer option (else its
// Ethernet source), its target and target link-layer option where it has them.
void appendNdpCsvLine(ArpCsvBatch& batch, const NdpMessage& m, TDateTime t) {
    std::string& out = batch.text();
    out += DateTimeText(t);
    out += ';';
    out += ndpOperationText(m.type);
    out += ';';
    appendIPv6Text(out, m.source);
    out += ';';
    appendMACText(out, m.sourceLinkLayer.value_or(m.ethernetSource));
    out += ';';
    const bool router =
        m.type == NdpType::RouterSolicitation || m.type == NdpType::RouterAdvertisement;
    if (!router) {
        appendIPv6Text(out, m.target);
    }
    out += ';';
    if (m.targetLinkLayer && m.type == NdpType::NeighbourAdvertisement) {
        appendMACText(out, *m.targetLinkLayer);
    }
    out += "\r\n";
    batch.endLine();
}

} // namespace

ArpDetector::ArpDetector(const SharedSettings& settings, const DetectorStores& stores,
                         EventAnnouncer& announcer, const Clock& clock)
    : m_settings(settings), m_table(stores.stations), m_table6(stores.stations6),
      m_liveLog(stores.liveLog), m_csv(stores.arpCsv), m_ndpCsv(stores.ndpCsv),
      m_announcer(announcer), m_clock(clock) {}

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

void ArpDetector::processNdpMessage(const NdpMessage& message, FrameBatch& batch,
                                    AdapterId adapter) noexcept {
    try {
        processNdp(message, batch, adapter);
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
    appendLines(m_csv, batch.lines);
    appendLines(m_ndpCsv, batch.ndpLines);
}

void ArpDetector::appendLines(ArpCsvWriter& csv, ArpCsvBatch& lines) noexcept {
    try {
        csv.appendArpCsv(lines);
    } catch (...) {
        m_failedFrames.fetch_add(lines.lines(), std::memory_order_relaxed);
    }
    lines.clear();
}

// One reading of the clock serves the log entry, the table's stamp and the file's line: the local
// clock costs a time-zone conversion, and the three moments lie microseconds apart anyway.
void ArpDetector::process(ArpFrameBytes frame, FrameBatch& batch, AdapterId adapter) {
    const TDateTime t = m_clock.now();
    m_liveLog.lock().appendArpLog(frame, t, adapter);
    const ArpFrameView f(frame);
    detect(m_table, f.senderIp(), f.senderMac(), f.ethernetSource(), f.senderMac(), t, batch,
           adapter);
    appendCsvLine(batch.lines, f, t);
}

void ArpDetector::processNdp(const NdpMessage& message, FrameBatch& batch, AdapterId adapter) {
    const TDateTime t = m_clock.now();
    m_liveLog.lock().appendNdpLog(encodeNdpRecord(message), t, adapter);
    const NdpBinding binding = ndpBinding(message);
    detect(m_table6, binding.ip, binding.mac, message.ethernetSource, message.sourceLinkLayer, t,
           batch, adapter);
    appendNdpCsvLine(batch.ndpLines, message, t);
}

template <typename Address>
void ArpDetector::detect(BasicStationTable<Address>& table, const Address& ip,
                         const MacAddress& mac, const MacAddress& source,
                         const std::optional<MacAddress>& stated, TDateTime t, FrameBatch& batch,
                         AdapterId adapter) {
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
    if (stated && source != *stated) {
        raise(senderEvent(EventKind::EthernetMismatch, std::nullopt, mac,
                          "The source mac ethernet address(" + MACToText(source) +
                              ") didn`t match the address inside the arp packet(" +
                              MACToText(*stated) + ")."));
    }
    std::optional<Event> binding;
    {
        auto access = table.lock();
        binding = classify<Address>(access, ip, mac);
        if (ip != Address{}) {
            access.touchStation(ip, mac, t);
        }
    }
    if (binding) {
        raise(std::move(*binding));
    }
}

} // namespace qv
