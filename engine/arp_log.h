#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "common/date_time.h"
#include "engine/adapter_names.h"
#include "engine/arp_frame.h"

namespace qv {

inline constexpr int ARP_LOG_SLOTS = 8192;
inline constexpr int ARP_LOG_WINDOW_SECONDS = 300;

enum class LogFamily : std::uint8_t { Arp = 0, Ndp = 1 };

// One captured frame as kept in memory, with the adapter it came from and the time it was
// appended: an ARP frame's first 42 bytes, or a neighbour discovery message's packed record
// (NdpLogRecord), which the family tells apart.
struct ArpLogEntry {
    std::array<std::uint8_t, ARP_FRAME_SIZE> frame;
    AdapterId adapter;
    LogFamily family;
    std::array<std::uint8_t, 4> padding;
    TDateTime time;
};

static_assert(sizeof(ArpLogEntry) == 56);
static_assert(offsetof(ArpLogEntry, adapter) == 42);
static_assert(offsetof(ArpLogEntry, family) == 43);
static_assert(offsetof(ArpLogEntry, time) == 48);

// A ring of 8192 slots holding at most 8191 entries: the `count` slots before the write position,
// wrapping from slot 0 back to slot 8191. Every reader and writer goes through an Access, which
// holds the log's guard, so an append is seen whole or not at all.
class ArpLogRing {
public:
    class Access;

    ArpLogRing();
    ArpLogRing(const ArpLogRing&) = delete;
    ArpLogRing& operator=(const ArpLogRing&) = delete;

    Access lock();

private:
    std::mutex m_guard;
    std::array<ArpLogEntry, ARP_LOG_SLOTS> m_slots;
    int m_writePosition = 0;
    int m_count = 0;
    std::uint64_t m_appended = 0;
};

class ArpLogRing::Access {
public:
    int count() const { return m_ring.m_count; }
    int writePosition() const { return m_ring.m_writePosition; }
    // How many packets were ever appended: the sequence number of the next one. The packet with
    // sequence number s, while still in the log, is in slot s modulo 8192.
    std::uint64_t appended() const { return m_ring.m_appended; }
    const ArpLogEntry& slot(int index) const;
    // Entry `row` of the log, oldest first (row 0 is the oldest of the `count` entries).
    const ArpLogEntry& row(int row) const;
    // Entry `age` places back from the newest (0 is the newest).
    const ArpLogEntry& newest(int age) const;

    // Copies the frame into the next slot stamped with `now` and its adapter. Returns the new
    // count.
    int appendArpLog(ArpFrameBytes frame, TDateTime now, AdapterId adapter = NO_ADAPTER);
    // The same for a neighbour discovery message, in its packed record.
    int appendNdpLog(ArpFrameBytes record, TDateTime now, AdapterId adapter = NO_ADAPTER);
    // The number of newest entries at most `seconds` old at `now`, walking newest first and
    // stopping at the first older entry. With `trim` the log keeps only those entries.
    int countRecent(int seconds, bool trim, TDateTime now);
    // Makes `target` an exact copy of this log: slots, write position, count and sequence of one
    // moment.
    // Takes the target's guard while this log's is held.
    void copyTo(ArpLogRing& target) const;

private:
    friend class ArpLogRing;
    Access(ArpLogRing& ring) : m_ring(ring), m_lock(ring.m_guard) {}
    int append(ArpFrameBytes bytes, LogFamily family, TDateTime now, AdapterId adapter);
    static int wrap(int slot) { return (slot % ARP_LOG_SLOTS + ARP_LOG_SLOTS) % ARP_LOG_SLOTS; }

    ArpLogRing& m_ring;
    std::unique_lock<std::mutex> m_lock;
};

} // namespace qv
