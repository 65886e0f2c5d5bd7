#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/arp_log.h"
#include "engine/ndp_record.h"

namespace qv {

// The rows of an ARP log list, each tied to one packet of the log by its sequence number. A
// refresh removes the rows of packets trimmed away at the top and adds rows for new packets at
// the bottom, so a row, and a selection, stays on its packet; right after a refresh row r shows
// the packet r places from the log's oldest, as the log's own row mapping does.
class ArpLogRows {
public:
    struct Change {
        int removedAtTop = 0;
        int addedAtBottom = 0;
        bool replaced = false; // the rows now follow other packets altogether
    };

    // Brings the rows to the packets the log holds now; the caller holds the log's guard.
    Change follow(const ArpLogRing::Access& log);
    // The two halves of a follow, for a list that announces each: the rows of `n` packets
    // trimmed away leave at the top; rows for `n` new packets come at the bottom.
    void dropTop(int n);
    void addBottom(int n) { m_count += n; }
    int count() const { return m_count; }
    // The sequence number of the packet of a row (row 0 is the oldest the rows follow).
    std::uint64_t sequenceOf(int row) const { return m_first + static_cast<std::uint64_t>(row); }
    // The packet of a row: nothing when the row is out of range or its packet has left the log
    // since the rows last followed it. The caller holds the log's guard.
    std::optional<ArpLogEntry> entry(const ArpLogRing::Access& log, int row) const;

private:
    std::uint64_t m_first = 0; // the sequence number of row 0
    int m_count = 0;
};

inline constexpr std::size_t ARP_DETAIL_COLUMNS = 6;
inline constexpr std::size_t ARP_SIMPLE_COLUMNS = 2;

// "Date/Time", "Type", "Sender IP", "Sender MAC", "Target IP", "Target MAC". A neighbour
// discovery message shows its operation, its source, its target (none for the router messages)
// and its binding's MAC as sender MAC, or for an advertisement as target MAC.
std::array<std::string, ARP_DETAIL_COLUMNS> arpDetailTexts(const ArpLogEntry& entry);
// "Date/Time" and the one sentence of the packet.
std::array<std::string, ARP_SIMPLE_COLUMNS> arpSimpleTexts(const ArpLogEntry& entry);
// "Who has %s? Gratuitous ARP!" for a request to the all-ones hardware address or from a sender
// asking for its own address; "Who has %s? Tell %s" for another request; "%s is at %s" for a
// reply; empty for any other operation.
std::string arpSentence(const ArpFrameView& frame);
// "Who has %s? Tell %s" for a solicitation, "%s is at %s" for an advertisement, "Who is a
// router? Tell %s" for a router solicitation, "Router %s is at %s" for a router advertisement.
std::string ndpSentence(const NdpRecordView& message);

} // namespace qv
