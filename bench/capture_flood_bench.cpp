// Floods a veth pair between two network namespaces (made here, removed at the end) with ARP from
// a raw socket at the highest rate the sender reaches, bounded in frames and time, while a
// capture thread on the other end runs the whole engine. Reports frames sent, received,
// processed and dropped. Needs root.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "app/monitor.h"
#include "bench/bench_support.h"
#include "engine/capture.h"
#include "engine/pcap/pcap_driver.h"
#include "engine/pcap/pcap_library.h"
#include "tests/support/netns.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace qv;
using namespace std::chrono_literals;

constexpr std::uint64_t MAX_FRAMES = 1'000'000;
constexpr auto MAX_FLOOD = 10s;
constexpr std::uint32_t STATIONS = 1000;
// More stations than the table holds: with the table full, every frame is a new binding.
constexpr std::uint32_t FLOOD_STATIONS = 20'000;

// Waits until the capture has taken everything it is going to take.
void waitForQuiet(const CaptureRun& run, std::uint64_t sent) {
    std::uint64_t last = 0;
    auto lastChange = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - lastChange < 3s) {
        const std::uint64_t now = run.framesProcessed();
        if (now >= sent) {
            return;
        }
        if (now != last) {
            last = now;
            lastChange = std::chrono::steady_clock::now();
        }
        std::this_thread::sleep_for(50ms);
    }
}

std::uint64_t csvLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::uint64_t lines = 0;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        lines += static_cast<std::uint64_t>(std::count(chunk, chunk + in.gcount(), '\n'));
    }
    return lines;
}

// Captures on host B while `flood` sends from host A (on a thread in A's namespace) and returns
// what it sent; reports what the capture received, processed, dropped and wrote to ARP.csv.
template <typename Flood>
void captureFlood(benchmark::State& state, Flood flood) {
    if (const auto reason = test::VethPair::unavailableReason()) {
        state.SkipWithError(reason->c_str());
        return;
    }
    if (bindPacketDriver() != 0) {
        state.SkipWithError("libpcap is not installed");
        return;
    }
    test::VethPair pair;
    test::TempFolder data;
    bench::CountingOwner owner;
    LocalClock clock;
    Monitor monitor(DataFolder(data.path()), clock, owner, Presenters{});
    monitor.settings().setFlag(&Settings::ARPLogSizeLimited, false); // every line stays
    PcapDriver driver;
    CaptureControl control(driver, monitor.detector());
    test::VethPair::runIn(pair.namespaceB(), [&] { // the thread inherits the namespace
        control.addAdapter(pair.interfaceB());
        control.startCapture(0);
    });
    const auto& run = *control.adapter(0).run;
    while (run.phase() == CaptureRun::Phase::Opening) {
        std::this_thread::sleep_for(10ms);
    }
    std::uint64_t sent = 0;
    double floodSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        sent = flood(pair);
        floodSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        waitForQuiet(run, sent);
    }
    control.stopAll();
    const CaptureCounters counters = run.counters();
    state.counters["sent"] = static_cast<double>(sent);
    state.counters["sent_per_s"] = static_cast<double>(sent) / floodSeconds;
    state.counters["received"] = static_cast<double>(counters.received);
    state.counters["processed"] = static_cast<double>(run.framesProcessed());
    state.counters["dropped"] = static_cast<double>(counters.dropped);
    state.counters["in_arp_csv"] =
        static_cast<double>(csvLines(data.path() / ARP_CSV_FILE_NAME) - 1);
    state.counters["reads"] = static_cast<double>(run.reads());
    state.counters["pauses"] = static_cast<double>(run.pauses());
    state.counters["flood_s"] = floodSeconds;
    state.counters["journaled"] = static_cast<double>(owner.events);
}

std::vector<std::array<std::uint8_t, 42>> stationFrames(std::uint32_t stations) {
    std::vector<std::array<std::uint8_t, 42>> frames;
    for (std::uint32_t n = 0; n < stations; ++n) {
        frames.push_back(bench::arpRequest(bench::stationMac(n), bench::stationIp(n),
                                           bench::stationIp((n + 1) % stations)));
    }
    return frames;
}

// A raw socket sending as fast as it can, one frame per call, from `state.range(0)` stations.
void BM_CaptureFlood_RawSocket(benchmark::State& state) {
    const auto frames = stationFrames(static_cast<std::uint32_t>(state.range(0)));
    captureFlood(state, [&](const test::VethPair& pair) {
        std::uint64_t sent = 0;
        test::VethPair::runIn(pair.namespaceA(), [&] {
            test::RawSender sender(pair.interfaceA());
            const auto start = std::chrono::steady_clock::now();
            while (sent < MAX_FRAMES && std::chrono::steady_clock::now() - start < MAX_FLOOD) {
                for (int k = 0; k < 1000 && sent < MAX_FRAMES; ++k) {
                    sent += sender.send(frames[sent % frames.size()]) ? 1 : 0;
                }
            }
        });
        return sent;
    });
}

// tcpreplay --topspeed from a capture of the same frames (Debian package tcpreplay).
void BM_CaptureFlood_Tcpreplay(benchmark::State& state) {
    if (test::shell("command -v tcpreplay >/dev/null 2>&1") != 0) {
        state.SkipWithError("tcpreplay is missing (Debian package tcpreplay)");
        return;
    }
    test::TempFolder scratch;
    const std::string capture = (scratch.path() / "flood.pcap").string();
    {
        test::PcapWriter pcap(1);
        const auto frames = stationFrames(static_cast<std::uint32_t>(state.range(0)));
        for (std::uint64_t i = 0; i < MAX_FRAMES; ++i) {
            pcap.add(1'796'580'112, 0,
                     std::vector<std::uint8_t>(frames[i % frames.size()].begin(),
                                               frames[i % frames.size()].end()));
        }
        pcap.save(capture);
    }
    captureFlood(state, [&](const test::VethPair& pair) {
        const int status =
            test::shell("ip netns exec " + pair.namespaceA() + " tcpreplay -q -i " +
                        pair.interfaceA() + " --topspeed " + capture + " >/dev/null 2>&1");
        return status == 0 ? MAX_FRAMES : 0;
    });
}

BENCHMARK(BM_CaptureFlood_RawSocket)
    ->Arg(STATIONS)
    ->Arg(FLOOD_STATIONS)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_CaptureFlood_Tcpreplay)
    ->Arg(STATIONS)
    ->Arg(FLOOD_STATIONS)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
