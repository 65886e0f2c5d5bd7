// Fuzzes the packet path from a read buffer on: the capture-header walk feeding processArpFrame,
// and a scan pass after it. Nothing touches the disk: ARP.csv lines stay in their batch and events
// are counted. Beyond "no crash": every accepted frame gives one ARP.csv line of six fields ending
// in CR LF, and the station table and its index hold together.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "engine/arp_detector.h"
#include "engine/capture_walk.h"
#include "engine/scan_detector.h"
#include "tests/fuzz/table_checks.h"

namespace {

using namespace qv;

class CountingAnnouncer final : public EventAnnouncer {
public:
    void AnnounceEvent(const Event& event) override {
        if (std::string_view(event.type()).empty() || event.details.empty()) {
            std::abort();
        }
        ++events;
    }
    std::uint64_t events = 0;
};

// The engine's stores live across inputs (a fresh 8192-slot table and log per input would cost
// more than the walk); each input ends by emptying them.
struct Engine {
    SharedSettings settings{defaultSettings("/fuzz/")};
    StationTable table;
    StationTable6 table6;
    ArpLogRing log;
    ArpCsvWriter csv{DataFolder("/nonexistent/quorvane-fuzz"), settings};
    ArpCsvWriter ndpCsv{DataFolder("/nonexistent/quorvane-fuzz"), settings, NDP_CSV_FILES};
    CountingAnnouncer announcer;
    ManualClock clock;
    ArpDetector detector{settings, {table, table6, log, csv, ndpCsv}, announcer, clock};
    ScanDetector scans{settings, table, table6, log, announcer, clock, detector.adapterNames()};
};

class Sink final : public CapturedFrameSink {
public:
    explicit Sink(Engine& engine) : m_engine(engine) {}
    void onArpFrame(const CaptureHeader& header, ArpFrameBytes frame) noexcept override {
        setClock(header);
        m_engine.detector.processArpFrame(frame, batch);
        ++frames;
    }
    void onNdpFrame(const CaptureHeader& header, const NdpMessage& message) noexcept override {
        setClock(header);
        m_engine.detector.processNdpMessage(message, batch);
        ++ndpFrames;
    }
    void onBufferEnd() noexcept override { ++ends; }

    FrameBatch batch;
    std::size_t frames = 0;
    std::size_t ndpFrames = 0;
    int ends = 0;

private:
    void setClock(const CaptureHeader& header) {
        m_engine.clock.set(localDateTimeFromUnix(header.seconds, header.microseconds % 1'000'000));
    }
    Engine& m_engine;
};

void checkLines(const ArpCsvBatch& batch, std::size_t frames) {
    if (batch.lines() != frames) {
        std::abort();
    }
    for (std::size_t i = 0; i < batch.lines(); ++i) {
        const std::string_view line = batch.line(i);
        if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n" ||
            std::count(line.begin(), line.end(), ';') != 5 ||
            line.find_first_of("\r\n") != line.size() - 2) {
            std::abort();
        }
    }
}

template <typename Address>
void emptyTable(BasicStationTable<Address>& t) {
    auto table = t.lock();
    fuzz::checkTable(table);
    std::vector<int> all(static_cast<std::size_t>(table.count()));
    for (int i = 0; i < table.count(); ++i) {
        all[static_cast<std::size_t>(i)] = i;
    }
    if (table.deleteStations(all) != 0) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Engine engine;
    Sink sink(engine);
    walkCaptureBuffer(std::span(data, size), sink);
    if (sink.ends != 1 || engine.detector.failedFrames() != 0) {
        std::abort();
    }
    checkLines(sink.batch.lines, sink.frames);
    checkLines(sink.batch.ndpLines, sink.ndpFrames);
    engine.detector.announceEvents(sink.batch);
    engine.clock.advanceSeconds(1);
    engine.scans.detectScans();

    emptyTable(engine.table);
    emptyTable(engine.table6);
    engine.log.lock().countRecent(0, true, 1e7);
    return 0;
}
