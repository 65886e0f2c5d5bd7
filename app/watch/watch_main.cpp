#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "app/monitor.h"
#include "app/watch/event_printer.h"
#include "app/watch/live.h"
#include "app/watch/replay.h"
#include "app/watch/station_report.h"
#include "app/watch/watch_options.h"
#include "common/file_io.h"
#include "common/instance_lock.h"

namespace {

using namespace qv;

constexpr auto SEND_JOB_GRACE = std::chrono::seconds(5);

int usageError(const std::string& error) {
    std::fprintf(stderr, "quorvane-watch: %s\n%s", error.c_str(), WATCH_USAGE);
    return 2;
}

// Frames, scan passes and messages that an error cut short are rare (memory or threads ran out),
// but a watcher that says nothing of them would report a failure as success.
void reportFailures(Monitor& monitor) {
    const auto say = [](unsigned long long count, const char* what) {
        if (count > 0) {
            std::fprintf(stderr, "quorvane-watch: %llu %s\n", count, what);
        }
    };
    say(monitor.detector().failedFrames(), "frames were cut short by an error");
    say(monitor.scans().failedPasses(), "scan passes were cut short by an error");
    say(static_cast<unsigned long long>(monitor.sendJobs().droppedJobs()),
        "network messages were dropped: no thread could be started for them");
}

// Loads the stores as the program's start-up does, runs, then saves the station table and gives
// running send jobs a moment to finish. Replay runs on capture time, live capture on the local
// clock.
int watch(const WatchOptions& options) {
    const DataFolder folder = options.dataDir ? DataFolder(*options.dataDir)
                                              : DataFolder::underRoot(DataFolder::SYSTEM_ROOT);
    const InstanceLock lock(folder);
    if (lock.state() == InstanceLock::State::Held) {
        std::fprintf(stderr, "quorvane-watch: %s\n", folderInUseMessage(folder).c_str());
        return 1;
    }
    EventPrinter printer(stdout, stderr);
    ManualClock captureClock;
    LocalClock localClock;
    const Clock& clock = options.readCapture ? static_cast<const Clock&>(captureClock) : localClock;
    Monitor monitor(folder, clock, printer, Presenters{});
    const bool settingsRead = monitor.loadSettings(programFolder());
    monitor.loadStations();

    const int status = options.readCapture
                           ? replayCapture(*options.readCapture, monitor, captureClock, stderr)
                           : watchLive(options.interfaces, monitor, settingsRead, stderr);

    monitor.sendJobs().waitForJobs(SEND_JOB_GRACE);
    reportFailures(monitor);
    if (!monitor.saveStations()) {
        std::fprintf(stderr, "quorvane-watch: cannot write %s\n", monitor.stationsPath().c_str());
        return 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::string error;
    const auto options = parseWatchOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        return usageError(error);
    }
    if (options->info) {
        return printStationInfo(*options->info, options->mac, stdout, stderr);
    }
    return watch(*options);
}
