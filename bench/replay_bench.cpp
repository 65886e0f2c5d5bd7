// Replay of a capture of one million ARP frames from 5000 stations, written by the benchmark
// itself, through the watcher's replay on a data folder in a temporary directory; and of the same
// with every third frame a neighbour solicitation or advertisement of the station's IPv6 address.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "app/monitor.h"
#include "app/watch/replay.h"
#include "bench/bench_support.h"
#include "common/byte_order.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace qv;

constexpr std::uint32_t FRAMES = 1'000'000;
constexpr std::uint32_t STATIONS = 5000;

void put32(std::ofstream& out, std::uint32_t v) {
    std::uint8_t b[4];
    storeLe32(b, v);
    out.write(reinterpret_cast<const char*>(b), 4);
}

// A solicitation (even `i`) or an advertisement of station `n`'s IPv6 address.
std::vector<std::uint8_t> ndpMessage(std::uint32_t n, std::uint32_t i) {
    test::NdpFrameFields f;
    f.ethernetSource = bench::stationMac(n);
    f.source = test::global(static_cast<std::uint16_t>(n));
    if (i % 2 == 0) {
        f.destination = test::solicitedNode(static_cast<std::uint16_t>(n + 1));
        f.target = test::global(static_cast<std::uint16_t>(n + 1));
        f.options = test::linkLayerOption(1, f.ethernetSource);
    } else {
        f.type = NdpType::NeighbourAdvertisement;
        f.destination = test::global(static_cast<std::uint16_t>(n + 1));
        f.target = f.source;
        f.flags = 0x60;
        f.options = test::linkLayerOption(2, f.ethernetSource);
    }
    return test::ndpFrame(f);
}

// Requests and replies among the stations at 2000 frames a second, 60 bytes on the wire; with
// `mixed`, every third frame is neighbour discovery instead.
void writeCapture(const std::string& path, bool mixed) {
    std::ofstream out(path, std::ios::binary);
    for (std::uint32_t v : {0xA1B2C3D4u, 2u | (4u << 16), 0u, 0u, 65535u, 1u}) {
        put32(out, v);
    }
    std::uint32_t seed = 1;
    for (std::uint32_t i = 0; i < FRAMES; ++i) {
        seed = seed * 1103515245 + 12345;
        const std::uint32_t n = (seed >> 8) % STATIONS;
        put32(out, 1'796'580'112 + i / 2000);
        put32(out, (i % 2000) * 500);
        if (mixed && i % 3 == 2) {
            const auto frame = ndpMessage(n, i);
            put32(out, static_cast<std::uint32_t>(frame.size()));
            put32(out, static_cast<std::uint32_t>(frame.size()));
            out.write(reinterpret_cast<const char*>(frame.data()),
                      static_cast<std::streamsize>(frame.size()));
            continue;
        }
        auto f = bench::arpRequest(bench::stationMac(n), bench::stationIp(n),
                                   bench::stationIp((n + 1) % STATIONS));
        f[21] = static_cast<std::uint8_t>(1 + (i & 1));
        put32(out, 42);
        put32(out, 60);
        out.write(reinterpret_cast<const char*>(f.data()), f.size());
    }
}

void replayMillion(benchmark::State& state, bool mixed) {
    test::TempFolder scratch;
    const std::string capture = (scratch.path() / "million.pcap").string();
    writeCapture(capture, mixed);
    std::uint64_t events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        test::TempFolder data;
        bench::CountingOwner owner;
        ManualClock clock;
        auto monitor =
            std::make_unique<Monitor>(DataFolder(data.path()), clock, owner, Presenters{});
        state.ResumeTiming();
        const auto file = openCapture(capture, stderr);
        if (!file || replayCapture(*file, capture, *monitor, clock, stderr).status != 0) {
            state.SkipWithError("the replay failed");
        }
        if (!monitor->saveStations().written) {
            state.SkipWithError("the station table could not be saved");
        }
        events = owner.events;
    }
    state.SetItemsProcessed(state.iterations() * FRAMES);
    state.counters["events"] = static_cast<double>(events);
}

void BM_Replay_OneMillionFrames(benchmark::State& state) {
    replayMillion(state, false);
}
void BM_Replay_OneMillionFrames_ThirdNeighbourDiscovery(benchmark::State& state) {
    replayMillion(state, true);
}

BENCHMARK(BM_Replay_OneMillionFrames)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_Replay_OneMillionFrames_ThirdNeighbourDiscovery)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
