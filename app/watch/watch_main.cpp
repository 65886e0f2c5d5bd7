#include <chrono>
#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/folder_repair.h"
#include "app/monitor.h"
#include "app/watch/event_printer.h"
#include "app/watch/live.h"
#include "app/watch/replay.h"
#include "app/watch/station_report.h"
#include "app/watch/syslog_events.h"
#include "app/watch/watch_options.h"
#include "common/file_io.h"
#include "common/instance_lock.h"
#include "engine/pcap/pcap_library.h"
#include "settings/settings_file.h"

namespace {

using namespace qv;

constexpr auto SEND_JOB_GRACE = std::chrono::seconds(5);
constexpr auto SYSLOG_GRACE = std::chrono::seconds(5);

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

// The collector gets a few seconds to take what is still queued; what it never got is counted.
void reportSyslog(SyslogForwarder& forwarder) {
    forwarder.drain(SYSLOG_GRACE);
    const auto unsent = static_cast<unsigned long long>(forwarder.queued());
    const auto dropped = static_cast<unsigned long long>(forwarder.dropped());
    if (unsent > 0) {
        std::fprintf(stderr, "quorvane-watch: %llu events were not sent to the syslog collector\n",
                     unsent);
    }
    if (dropped > 0) {
        std::fprintf(stderr,
                     "quorvane-watch: %llu events were dropped: the syslog collector's queue "
                     "was full\n",
                     dropped);
    }
}

// Nothing in the data folder is touched until the capture can be had (the driver bound, the file
// opened) and the folder is this process's alone. ipmac.dat is saved only after a run that
// captured or replayed. Replay runs on capture time, live capture on the local clock.
int watch(const WatchOptions& options) {
    const DataFolder folder = options.dataDir ? DataFolder(*options.dataDir)
                                              : DataFolder::underRoot(DataFolder::SYSTEM_ROOT);
    std::unique_ptr<CaptureFile> capture;
    if (options.readCapture) {
        capture = openCapture(*options.readCapture, stderr);
        if (!capture) {
            return 1;
        }
    } else if (bindPacketDriver() != 0) {
        std::fprintf(stderr,
                     "quorvane-watch: %s\n(libpcap is missing: install the package "
                     "libpcap0.8)\n",
                     DRIVER_MISSING_MESSAGE);
        return 1;
    }
    const InstanceLock lock(folder, "quorvane-watch");
    if (lock.state() == InstanceLock::State::Held) {
        std::fprintf(stderr, "quorvane-watch: %s\n",
                     folderInUseMessage(folder, lock.holder()).c_str());
        return 1;
    }
    for (const std::string& note : repairDataFolder(folder)) {
        reportNote(note, stderr);
    }
    EventPrinter printer(stdout, stderr);
    ManualClock captureClock;
    LocalClock localClock;
    const Clock& clock = capture ? static_cast<const Clock&>(captureClock) : localClock;
    std::optional<SyslogForwarder> forwarder;
    std::optional<SyslogEvents> syslogEvents;
    if (options.syslog) {
        forwarder.emplace(*options.syslog);
        syslogEvents.emplace(printer, *forwarder, clock);
    }
    Monitor monitor(folder, clock,
                    syslogEvents ? static_cast<EventListOwner&>(*syslogEvents)
                                 : static_cast<EventListOwner&>(printer),
                    Presenters{});
    if (options.checkpoint) {
        monitor.setCheckpointInterval(std::chrono::seconds(*options.checkpoint));
    }
    const bool settingsRead = monitor.loadSettings(programFolder());
    monitor.loadStations();
    for (const StoredFile* file : {&monitor.settingsFile(), &monitor.stationsFile()}) {
        reportNote(file->loadNote(), stderr);
    }

    const RunResult run =
        capture ? replayCapture(*capture, *options.readCapture, monitor, captureClock, stderr)
                : watchLive(options.interfaces, monitor, settingsRead, stderr);

    monitor.sendJobs().waitForJobs(SEND_JOB_GRACE);
    if (forwarder) {
        reportSyslog(*forwarder);
    }
    reportFailures(monitor);
    if (!run.ran) {
        return run.status;
    }
    const Monitor::Saved saved = monitor.saveStations();
    reportNote(saved.note, stderr);
    return saved.written ? run.status : 1;
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
