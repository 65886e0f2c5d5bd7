// processArpFrame per frame and the scan pass in its worst case, on a data folder in a
// temporary directory: with ARP.csv written per frame (one open, write and close each), and with
// the lines of a read buffer's worth of frames written together, as the capture walk does; and a
// neighbour advertisement against an ARP reply, each from its frame's bytes (the walk's check or
// decoding included) to its line.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/monitor.h"
#include "bench/bench_support.h"
#include "common/byte_order.h"
#include "tests/support/ndp_frames.h"
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
    void fill6(std::uint32_t stations) {
        auto t = monitor.stations6().lock();
        for (std::uint32_t n = 0; n < stations; ++n) {
            t.touchStation(stationIp6(n), bench::stationMac(n), 45999.0 + n * 1e-6);
        }
    }
    static IPv6Address stationIp6(std::uint32_t n) {
        IPv6Address ip = test::global(0);
        const IPv4Address low = bench::stationIp(n);
        std::copy(low.begin(), low.end(), ip.begin() + 12);
        return ip;
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

// Replies (or unsolicited advertisements) from `active` known stations in turn, through the
// walk's acceptance and the detector, batched as a read buffer is.
void processReplies(benchmark::State& state, std::uint32_t stations, bool ipv6) {
    Engine engine;
    const std::uint32_t active = stations == 0 ? 1 : stations;
    ipv6 ? engine.fill6(stations) : engine.fill(stations);
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::uint32_t n = 0; n < active; ++n) {
        const std::uint32_t station = stations == 0 ? n : (n * 7919) % stations;
        const MacAddress mac = bench::stationMac(station);
        if (ipv6) {
            test::NdpFrameFields f;
            f.type = NdpType::NeighbourAdvertisement;
            f.ethernetSource = mac;
            f.source = Engine::stationIp6(station);
            f.destination = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
            f.target = f.source;
            f.flags = 0x20;
            f.options = test::linkLayerOption(2, mac);
            frames.push_back(test::ndpFrame(f));
        } else {
            const auto request =
                bench::arpRequest(mac, bench::stationIp(station), {10, 255, 255, 254});
            std::vector<std::uint8_t> reply(request.begin(), request.end());
            storeBe16(reply.data() + arp_offset::OPERATION, ARP_REPLY);
            frames.push_back(reply);
        }
    }
    std::size_t i = 0;
    FrameBatch batch;
    ArpDetector& detector = engine.monitor.detector();
    for (auto _ : state) {
        const std::vector<std::uint8_t>& frame = frames[i];
        if (ipv6) {
            if (const auto message = decodeNdpFrame(frame)) {
                detector.processNdpMessage(*message, batch);
            }
        } else if (isArpFrame(frame)) {
            detector.processArpFrame(std::span(frame).first<ARP_FRAME_SIZE>(), batch);
        }
        if (batch.lines.lines() + batch.ndpLines.lines() == FRAMES_PER_BUFFER) {
            detector.endBatch(batch);
        }
        i = (i + 1) % frames.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ArpReply_EmptyTable(benchmark::State& state) {
    processReplies(state, 0, false);
}
void BM_NeighbourAdvertisement_EmptyTable(benchmark::State& state) {
    processReplies(state, 0, true);
}
void BM_ArpReply_8192Stations(benchmark::State& state) {
    processReplies(state, 8192, false);
}
void BM_NeighbourAdvertisement_8192Stations(benchmark::State& state) {
    processReplies(state, 8192, true);
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
BENCHMARK(BM_ArpReply_EmptyTable);
BENCHMARK(BM_NeighbourAdvertisement_EmptyTable);
BENCHMARK(BM_ArpReply_8192Stations);
BENCHMARK(BM_NeighbourAdvertisement_8192Stations);
BENCHMARK(BM_DetectScans_WorstCase)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
