// processArpFrame per frame and the scan pass in its worst case, on a data folder in a
// temporary directory: with ARP.csv written per frame (one open, write and close each), and with
// the lines of a read buffer's worth of frames written together, as the capture walk does.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/monitor.h"
#include "bench/bench_support.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace qv;

struct Engine {
    test::TempFolder scratch;
    ManualClock clock{46000.0};
    bench::CountingOwner owner;
    Monitor monitor{DataFolder(scratch.path()), clock, owner, Presenters{}};

    void fill(std::uint32_t stations) {
        auto t = monitor.stations().lock();
        for (std::uint32_t n = 0; n < stations; ++n) {
            t.touchStation(bench::stationIp(n), bench::stationMac(n), 45999.0 + n * 1e-6);
        }
    }
};

// A full read buffer of 60-byte frames: 256,000 bytes at 80 bytes a record.
constexpr std::size_t FRAMES_PER_BUFFER = 3200;

// Frames from `active` known stations in turn: the common case of a binding seen before.
void processFrames(benchmark::State& state, std::uint32_t stations, std::uint32_t active,
                   bool batched = false) {
    Engine engine;
    engine.fill(stations);
    std::vector<std::array<std::uint8_t, 42>> frames;
    for (std::uint32_t n = 0; n < active; ++n) {
        // Spread over the table, so a linear search walks most of it.
        const std::uint32_t station = stations == 0 ? n : (n * 7919) % stations;
        frames.push_back(bench::arpRequest(bench::stationMac(station), bench::stationIp(station),
                                           {10, 255, 255, 254}));
    }
    std::size_t i = 0;
    FrameBatch batch;
    for (auto _ : state) {
        if (batched) {
            engine.monitor.detector().processArpFrame(frames[i], batch);
            if (batch.lines.lines() == FRAMES_PER_BUFFER) {
                engine.monitor.detector().endBatch(batch);
            }
        } else {
            engine.monitor.detector().processArpFrame(frames[i]);
        }
        i = (i + 1) % frames.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ProcessArpFrame_EmptyTable(benchmark::State& state) {
    processFrames(state, 0, 1);
}
void BM_ProcessArpFrame_8192Stations(benchmark::State& state) {
    processFrames(state, 8192, 8192);
}
void BM_ProcessArpFrame_Batched_EmptyTable(benchmark::State& state) {
    processFrames(state, 0, 1, true);
}
void BM_ProcessArpFrame_Batched_8192Stations(benchmark::State& state) {
    processFrames(state, 8192, 8192, true);
}

// A flood of new bindings into a full table: 20,000 stations in turn, more than the table holds,
// so every frame is a binding not seen before, takes the slot of the record seen longest ago and
// raises "New station"; the clock moves 10 microseconds a frame (100,000 frames a second).
void BM_ProcessArpFrame_Batched_FullTableEveryFrameNew(benchmark::State& state) {
    constexpr std::uint32_t FLOOD_STATIONS = 20'000;
    Engine engine;
    engine.fill(STATION_SLOTS);
    std::vector<std::array<std::uint8_t, 42>> frames;
    for (std::uint32_t n = 0; n < FLOOD_STATIONS; ++n) {
        frames.push_back(bench::arpRequest(bench::stationMac(STATION_SLOTS + n),
                                           bench::stationIp(STATION_SLOTS + n),
                                           {10, 255, 255, 254}));
    }
    std::size_t i = 0;
    double now = 46000.0;
    FrameBatch batch;
    for (auto _ : state) {
        now += 10e-6 / SECONDS_PER_DAY;
        engine.clock.set(now);
        engine.monitor.detector().processArpFrame(frames[i], batch);
        if (batch.lines.lines() == FRAMES_PER_BUFFER) {
            engine.monitor.detector().endBatch(batch);
        }
        i = (i + 1) % frames.size();
    }
    state.SetItemsProcessed(state.iterations());
}

// The pass's worst case: a full log of 8191 counted requests against a full table.
void BM_DetectScans_WorstCase(benchmark::State& state) {
    Engine engine;
    engine.fill(8192);
    {
        auto log = engine.monitor.liveLog().lock();
        for (std::uint32_t n = 0; n < 8191; ++n) {
            const std::uint32_t station = (n * 7919) % 8192;
            const auto f = bench::arpRequest(bench::stationMac(station), bench::stationIp(station),
                                             {10, 255, 255, 254});
            log.appendArpLog(f, 46000.0);
        }
    }
    for (auto _ : state) {
        engine.monitor.scans().detectScans();
    }
    state.SetItemsProcessed(state.iterations() * 8191);
}

BENCHMARK(BM_ProcessArpFrame_EmptyTable);
BENCHMARK(BM_ProcessArpFrame_8192Stations);
BENCHMARK(BM_ProcessArpFrame_Batched_EmptyTable);
BENCHMARK(BM_ProcessArpFrame_Batched_8192Stations);
BENCHMARK(BM_ProcessArpFrame_Batched_FullTableEveryFrameNew);
BENCHMARK(BM_DetectScans_WorstCase)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
