// The tray program's start-up on a real X desktop (Xvfb with icewm's tray): the time from its
// start to its icon docked in the tray, and its resident memory then, with 8192 stations in
// ipmac.dat. No adapter is selected, so nothing captures. Needs Xvfb, icewm, xdotool and
// xwininfo; reports nothing without them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

#include "bench/bench_support.h"
#include "engine/station_table.h"
#include "settings/settings_file.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace qv;
using namespace std::chrono_literals;

std::string output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            text.append(chunk, n);
        }
        ::pclose(pipe);
    }
    return text;
}

bool docked(const std::string& display) {
    std::istringstream ids(
        output("DISPLAY=" + display + " xdotool search --classname quorvane 2>/dev/null"));
    for (std::string id; ids >> id;) {
        const std::string tree = output("DISPLAY=" + display + " xwininfo -tree -id " + id);
        const auto at = tree.find("Parent window id: ");
        if (at != std::string::npos && tree.find("(the root window)", at) > tree.find('\n', at)) {
            return true;
        }
    }
    return false;
}

long residentKilobytes(const std::string& marker) {
    std::istringstream pids(output("pgrep -f -- '" + marker + "'"));
    long total = 0;
    for (std::string pid; pids >> pid;) {
        std::ifstream status("/proc/" + pid + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) {
                total += std::stol(line.substr(6));
            }
        }
    }
    return total;
}

void prepareFolder(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    bench::writeFullFolder(DataFolder(folder));
}

void BM_TrayStartUp(benchmark::State& state) {
    for (const char* tool : {"Xvfb", "icewm", "xdotool", "xwininfo"}) {
        if (test::shell(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0) {
            state.SkipWithError((std::string(tool) + " is missing").c_str());
            return;
        }
    }
    const std::string display = ":187";
    test::BackgroundProcess xvfb("exec Xvfb " + display +
                                 " -screen 0 1280x800x24 -nolisten tcp -ac 2>/dev/null");
    std::this_thread::sleep_for(1s);
    test::BackgroundProcess icewm("exec env DISPLAY=" + display + " icewm >/dev/null 2>&1");
    std::this_thread::sleep_for(1s);
    test::TempFolder root;
    const std::filesystem::path folder = root / "Quorvane";
    prepareFolder(folder);
    long rss = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        test::BackgroundProcess program("exec env DISPLAY=" + display +
                                        " " QV_BINARY_DIR "/quorvane --data-dir " +
                                        folder.string() + " >/dev/null 2>&1");
        while (!docked(display)) {
            std::this_thread::sleep_for(5ms);
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        std::this_thread::sleep_for(500ms); // settled
        rss = residentKilobytes(QV_BINARY_DIR "/quorvane --data-dir " + folder.string());
        program.signal(SIGTERM);
        program.wait(10s);
    }
    state.counters["rss_kB"] = static_cast<double>(rss);
}
BENCHMARK(BM_TrayStartUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
