#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/clock.h"
#include "engine/adapter_names.h"
#include "engine/arp_csv_writer.h"
#include "engine/arp_log.h"
#include "engine/ndp_frame.h"
#include "engine/station_table.h"
#include "events/event.h"
#include "events/event_announcer.h"
#include "settings/shared_settings.h"

namespace qv {

// What a walk of one read buffer produced: the ARP.csv and NDP.csv lines of its frames and the
// events they raised, handed on together when the walk ends (ArpDetector::endBatch).
struct FrameBatch {
    ArpCsvBatch lines;
    ArpCsvBatch ndpLines;
    std::vector<Event> events;
};

// What the detector writes to: a station table for each address family, the live log that
// holds the frames of both, and the log file of each family's frames.
struct DetectorStores {
    StationTable& stations;
    StationTable6& stations6;
    ArpLogRing& liveLog;
    ArpCsvWriter& arpCsv;
    ArpCsvWriter& ndpCsv;
};

// The heart of the engine: logs each accepted frame, checks its hardware addresses, classifies
// the binding it states against the station table of its address family, records the binding
// and appends the frame's line to its family's log file. Runs on the capture threads, up to 16
// at a time.
class ArpDetector {
public:
    ArpDetector(const SharedSettings& settings, const DetectorStores& stores,
                EventAnnouncer& announcer, const Clock& clock);

    // The table's guard is held from the first lookup to the end of the touch; events are announced
    // with no guard held, in the order broadcast, mismatch, binding. This is the packet path's
    // edge: whatever the standard library throws below it (an allocation that fails) ends the
    // frame, which is counted, and never the capture thread.
    // `adapter` is the capture's, whose name the frame's events carry.
    void processArpFrame(ArpFrameBytes frame, AdapterId adapter = NO_ADAPTER) noexcept;
    // The same, with the frame's ARP.csv line and its events added to `batch` instead of handed
    // on at once: a capture thread hands on those of one read buffer in one go, with endBatch,
    // before it reads the next.
    void processArpFrame(ArpFrameBytes frame, FrameBatch& batch,
                         AdapterId adapter = NO_ADAPTER) noexcept;
    // A neighbour discovery message, on the same path: its binding goes to the IPv6 table and its
    // line to NDP.csv.
    void processNdpMessage(const NdpMessage& message, FrameBatch& batch,
                           AdapterId adapter = NO_ADAPTER) noexcept;
    // Announces the batch's events, in their order, and forgets them.
    void announceEvents(FrameBatch& batch) noexcept;
    // Announces the batch's events, appends its lines to ARP.csv and NDP.csv and empties it.
    void endBatch(FrameBatch& batch) noexcept;

    // Frames whose processing was cut short by an exception.
    std::uint64_t failedFrames() const { return m_failedFrames.load(std::memory_order_relaxed); }

    // The names of the adapters, which the capture table sets before it starts a capture.
    AdapterNames& adapterNames() { return m_adapterNames; }
    const AdapterNames& adapterNames() const { return m_adapterNames; }

private:
    void process(ArpFrameBytes frame, FrameBatch& batch, AdapterId adapter);
    void processNdp(const NdpMessage& message, FrameBatch& batch, AdapterId adapter);
    // The checks, the classification and the table's touch, common to both families. `stated`
    // is the sender's MAC the packet states beside its Ethernet header, where it states one.
    template <typename Address>
    void detect(BasicStationTable<Address>& table, const Address& ip, const MacAddress& mac,
                const MacAddress& source, const std::optional<MacAddress>& stated, TDateTime t,
                FrameBatch& batch, AdapterId adapter);
    void appendLines(ArpCsvWriter& csv, ArpCsvBatch& lines) noexcept;

    const SharedSettings& m_settings;
    StationTable& m_table;
    StationTable6& m_table6;
    ArpLogRing& m_liveLog;
    ArpCsvWriter& m_csv;
    ArpCsvWriter& m_ndpCsv;
    EventAnnouncer& m_announcer;
    const Clock& m_clock;
    AdapterNames m_adapterNames;
    std::atomic<std::uint64_t> m_failedFrames{0};
};

} // namespace qv
