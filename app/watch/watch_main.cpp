#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/folder_repair.h"
#include "app/monitor.h"
#include "app/watch/event_printer.h"
#include "app/watch/event_program.h"
#include "app/watch/event_sink.h"
#include "app/watch/line_printer.h"
#include "app/watch/live.h"
#include "app/watch/replay.h"
#include "app/watch/station_report.h"
#include "app/watch/syslog_events.h"
#include "app/watch/watch_options.h"
#include "common/file_io.h"
#include "common/instance_lock.h"
#include "engine/pcap/pcap_library.h"
#include "events/event_rate_limit.h"
#include "settings/settings_file.h"

namespace {

using namespace qv;

constexpr auto SEND_JOB_GRACE = std::chrono::seconds(5);
constexpr auto SYSLOG_GRACE = std::chrono::seconds(5);
constexpr auto PROGRAM_GRACE = std::chrono::seconds(5);
// What is queued for the standard output and error gets this long; a reader that takes nothing
// does not keep the watcher from ending.
constexpr auto OUTPUT_GRACE = std::chrono::seconds(2);

int usageError(const std::string& error) {
    std::fprintf(stderr, "quorvane-watch: %s\n%s", error.c_str(), WATCH_USAGE);
    return 2;
}

void say(std::FILE* errors, std::uint64_t count, const char* what) {
    if (count > 0) {
        std::fprintf(errors, "quorvane-watch: %llu %s\n", static_cast<unsigned long long>(count),
                     what);
    }
}

// Frames, scan passes and messages that an error cut short are rare (memory or threads ran out),
// but a watcher that says nothing of them would report a failure as success.
void reportFailures(Monitor& monitor, std::FILE* errors) {
    say(errors, monitor.detector().failedFrames(), "frames were cut short by an error");
    say(errors, monitor.scans().failedPasses(), "scan passes were cut short by an error");
    say(errors, static_cast<std::uint64_t>(monitor.sendJobs().droppedJobs()),
        "network messages were dropped: no thread could be started for them");
}

// The collector gets a few seconds to take what is still queued; what it never got is counted.
void reportSyslog(SyslogForwarder& forwarder, std::FILE* errors) {
    forwarder.drain(SYSLOG_GRACE);
    say(errors, forwarder.queued(), "events were not sent to the syslog collector");
    say(errors, forwarder.dropped(), "events were dropped: the syslog collector's queue was full");
}

void reportProgram(EventProgram& program, std::FILE* errors) {
    program.finish(PROGRAM_GRACE);
    say(errors, program.started(), "runs of the event program were started");
    say(errors, program.dropped(), "events ran no program: too many were waiting for one");
    say(errors, program.failed(), "runs of the event program could not be started");
}

void reportSummaries(const EventSinks& sinks, std::FILE* errors) {
    if (sinks.summaries() > 0) {
        std::fprintf(
            errors,
            "quorvane-watch: %s events of floods were summed up in %s lines of Events.csv\n",
            groupedNumber(sinks.summarized()).c_str(), groupedNumber(sinks.summaries()).c_str());
    }
}

// Every event is in Events.csv whatever the standard output took of them.
void reportOutput(const LinePrinter& out, std::FILE* errors) {
    say(errors, out.dropped(),
        out.closed() ? "event lines were not printed: the standard output was closed (every "
                       "event is in Events.csv)"
                     : "event lines were not printed: the standard output fell behind (every "
                       "event is in Events.csv)");
}

// Nothing in the data folder is touched until the capture can be had (the driver bound, the file
// opened) and the folder is this process's alone. ipmac.dat is saved only after a run that
// captured or replayed, as soon as it ends. Replay runs on capture time, live capture on the
// local clock. From the start of the engine on, what the watcher prints goes through printers of
// its own, so that no reader makes it wait.
int watch(const WatchOptions& options) {
    const DataFolder folder = options.dataDir ? DataFolder(*options.dataDir)
                                              : DataFolder::underRoot(DataFolder::SYSTEM_ROOT);
    if (!options.readCapture) {
        // Before any thread starts, so that none of them takes the stop signals the main loop
        // waits for (a signal's default action there would end the watcher unsaved).
        blockStopSignals();
    }
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
    LinePrinter errorsOut(STDERR_FILENO);
    LinePrinter out(STDOUT_FILENO, &errorsOut);
    std::FILE* errors = errorsOut.stream();
    for (const std::string& note : repairDataFolder(folder)) {
        reportNote(note, errors);
    }
    EventSinks sinks(errors);
    EventPrinter printer(out);
    sinks.add(printer);
    Presenters presenters;
    std::optional<EventProgram> program;
    if (options.exec) {
        program.emplace(*options.exec, errors,
                        options.execTimeout ? std::chrono::seconds(*options.execTimeout)
                                            : EventProgram::DEFAULT_LIMIT);
        presenters.more.push_back(&*program);
    }
    std::optional<SyslogForwarder> forwarder;
    std::optional<SyslogEvents> syslogEvents;
    if (options.syslog) {
        forwarder.emplace(*options.syslog);
        syslogEvents.emplace(*forwarder);
        presenters.more.push_back(&*syslogEvents);
    }
    ManualClock captureClock;
    LocalClock localClock;
    const Clock& clock = capture ? static_cast<const Clock&>(captureClock) : localClock;
    Monitor monitor(folder, clock, sinks, presenters);
    if (options.checkpoint) {
        monitor.setCheckpointInterval(std::chrono::seconds(*options.checkpoint));
    }
    const bool settingsRead = monitor.loadSettings(programFolder());
    monitor.loadStations();
    for (const StoredFile* file : {&monitor.settingsFile(), &monitor.stationsFile()}) {
        reportNote(file->loadNote(), errors);
    }

    const RunResult run =
        capture ? replayCapture(*capture, *options.readCapture, monitor, captureClock, errors)
                : watchLive(options.interfaces, monitor, settingsRead, errors);
    // The summaries of the last second of a flood.
    monitor.notifier().closeAll();
    int status = run.status;
    if (run.ran) {
        const Monitor::Saved saved = monitor.saveStations();
        reportNote(saved.note, errors);
        status = saved.written ? status : 1;
    }
    monitor.sendJobs().waitForJobs(SEND_JOB_GRACE);
    if (program) {
        reportProgram(*program, errors);
    }
    if (forwarder) {
        reportSyslog(*forwarder, errors);
    }
    reportFailures(monitor, errors);
    reportSummaries(sinks, errors);
    out.drain(OUTPUT_GRACE);
    reportOutput(out, errors);
    errorsOut.drain(OUTPUT_GRACE);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // A reader that goes away ends the printing, never the watcher.
    std::signal(SIGPIPE, SIG_IGN);
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
