#include "tables/arp_log_rows.h"

#include <algorithm>

namespace qv {

ArpLogRows::Change ArpLogRows::follow(const ArpLogRing::Access& log) {
    const std::uint64_t first = log.appended() - static_cast<std::uint64_t>(log.count());
    const std::uint64_t end = log.appended();
    const std::uint64_t oldEnd = m_first + static_cast<std::uint64_t>(m_count);
    Change change;
    if (first < m_first || first > oldEnd || end < oldEnd) {
        change.replaced = true;
    } else {
        change.removedAtTop = static_cast<int>(first - m_first);
        change.addedAtBottom = static_cast<int>(end - oldEnd);
    }
    m_first = first;
    m_count = log.count();
    return change;
}

void ArpLogRows::dropTop(int n) {
    n = std::clamp(n, 0, m_count);
    m_first += static_cast<std::uint64_t>(n);
    m_count -= n;
}

std::optional<ArpLogEntry> ArpLogRows::entry(const ArpLogRing::Access& log, int row) const {
    if (row < 0 || row >= m_count) {
        return std::nullopt;
    }
    const std::uint64_t sequence = m_first + static_cast<std::uint64_t>(row);
    const std::uint64_t oldest = log.appended() - static_cast<std::uint64_t>(log.count());
    if (sequence < oldest || sequence >= log.appended()) {
        return std::nullopt;
    }
    return log.slot(static_cast<int>(sequence % ARP_LOG_SLOTS));
}

namespace {

bool isRouterMessage(NdpType type) {
    return type == NdpType::RouterSolicitation || type == NdpType::RouterAdvertisement;
}

// An advertisement's MAC is its target's, every other message's its source's.
std::array<std::string, ARP_DETAIL_COLUMNS> ndpDetailTexts(const ArpLogEntry& entry) {
    const NdpRecordView m(entry.frame);
    const bool advertisement = m.type() == NdpType::NeighbourAdvertisement;
    const std::string mac = MACToText(m.mac());
    return {DateTimeText(entry.time),
            ndpOperationText(m.type()),
            IPv6ToText(m.source()),
            advertisement ? std::string() : mac,
            isRouterMessage(m.type()) ? std::string() : IPv6ToText(m.target()),
            advertisement ? mac : std::string()};
}

} // namespace

std::array<std::string, ARP_DETAIL_COLUMNS> arpDetailTexts(const ArpLogEntry& entry) {
    if (entry.family == LogFamily::Ndp) {
        return ndpDetailTexts(entry);
    }
    const ArpFrameView f(entry.frame);
    return {DateTimeText(entry.time), ARPOperationText(f.operation()), IPToText(f.senderIp()),
            MACToText(f.senderMac()), IPToText(f.targetIp()),          MACToText(f.targetMac())};
}

std::array<std::string, ARP_SIMPLE_COLUMNS> arpSimpleTexts(const ArpLogEntry& entry) {
    if (entry.family == LogFamily::Ndp) {
        return {DateTimeText(entry.time), ndpSentence(NdpRecordView(entry.frame))};
    }
    return {DateTimeText(entry.time), arpSentence(ArpFrameView(entry.frame))};
}

std::string ndpSentence(const NdpRecordView& m) {
    switch (m.type()) {
    case NdpType::NeighbourSolicitation:
        return "Who has " + IPv6ToText(m.target()) + "? Tell " + IPv6ToText(m.source());
    case NdpType::NeighbourAdvertisement:
        return IPv6ToText(m.target()) + " is at " + MACToText(m.mac());
    case NdpType::RouterSolicitation:
        return "Who is a router? Tell " + IPv6ToText(m.source());
    case NdpType::RouterAdvertisement:
        return "Router " + IPv6ToText(m.source()) + " is at " + MACToText(m.mac());
    }
    return "";
}

std::string arpSentence(const ArpFrameView& f) {
    if (f.operation() == ARP_REQUEST) {
        if (f.targetMac() == BROADCAST_MAC || f.senderIp() == f.targetIp()) {
            return "Who has " + IPToText(f.senderIp()) + "? Gratuitous ARP!";
        }
        return "Who has " + IPToText(f.targetIp()) + "? Tell " + IPToText(f.senderIp());
    }
    if (f.operation() == ARP_REPLY) {
        return IPToText(f.senderIp()) + " is at " + MACToText(f.senderMac());
    }
    return "";
}

} // namespace qv
