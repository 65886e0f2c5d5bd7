#include "app/watch/live.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <thread>

#include "engine/capture.h"
#include "engine/pcap/pcap_driver.h"
#include "engine/pcap/pcap_library.h"
#include "iptools/netbios_name_service.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto OPEN_WAIT = std::chrono::seconds(5);

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void startCaptures(CaptureControl& control, const std::vector<std::string>& interfaces,
                   Monitor& monitor, bool settingsRead) {
    if (interfaces.empty()) {
        control.enumerateAdapters();
        control.startSelected(monitor.settings(), settingsRead);
        return;
    }
    for (const std::string& name : interfaces) {
        if (control.addAdapter(name)) {
            control.startCapture(control.count() - 1);
        }
    }
}

// Waits for each started thread to open its adapter and says how it went; the number capturing.
int reportOpenings(CaptureControl& control, std::FILE* errors) {
    int capturing = 0;
    const auto deadline = Clock::now() + OPEN_WAIT;
    for (int i = 0; i < control.count(); ++i) {
        TCapturePacket& a = control.adapter(i);
        if (a.threadState != CaptureRunning) {
            continue;
        }
        while (a.run->phase() == CaptureRun::Phase::Opening && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (a.run->phase() == CaptureRun::Phase::Capturing) {
            std::fprintf(errors, "quorvane-watch: capturing on %s\n", a.adapterName.c_str());
            ++capturing;
        } else {
            std::fprintf(errors, "quorvane-watch: cannot capture on %s: %s\n",
                         a.adapterName.c_str(), a.run->error().c_str());
        }
    }
    return capturing;
}

// The once-a-second pass until a stop signal comes.
void runUntilSignalled(Monitor& monitor, const CaptureControl& control, std::FILE* errors) {
    const sigset_t signals = stopSignals();
    auto next = Clock::now() + std::chrono::seconds(1);
    for (;;) {
        const auto left = std::max(next - Clock::now(), Clock::duration::zero());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<std::time_t>(ns / 1'000'000'000), ns % 1'000'000'000};
        if (sigtimedwait(&signals, nullptr, &timeout) > 0) {
            return;
        }
        if (Clock::now() >= next) {
            monitor.netbiosBroadcasts().set(broadcastAddresses(control.capturingAdapters()));
            monitor.scans().detectScans();
            if (const auto saved = monitor.checkpoint(Clock::now())) {
                reportNote(saved->note, errors);
            }
            next += std::chrono::seconds(1);
        }
    }
}

void reportCounters(CaptureControl& control, std::FILE* errors) {
    for (int i = 0; i < control.count(); ++i) {
        const TCapturePacket& a = control.adapter(i);
        if (a.run && a.run->phase() == CaptureRun::Phase::Ended) {
            const CaptureCounters c = a.run->counters();
            std::fprintf(errors, "quorvane-watch: %s: %llu frames received, %llu dropped\n",
                         a.adapterName.c_str(), static_cast<unsigned long long>(c.received),
                         static_cast<unsigned long long>(c.dropped));
        }
    }
}

} // namespace

void blockStopSignals() {
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

RunResult watchLive(const std::vector<std::string>& interfaces, Monitor& monitor, bool settingsRead,
                    std::FILE* errors) {
    blockStopSignals();
    PcapDriver driver;
    CaptureControl control(driver, monitor.detector());
    startCaptures(control, interfaces, monitor, settingsRead);
    if (reportOpenings(control, errors) == 0) {
        std::fprintf(errors, "quorvane-watch: no Ethernet adapter to capture on\n");
        control.stopAll();
        return {1, false};
    }
    monitor.netbiosBroadcasts().set(broadcastAddresses(control.capturingAdapters()));
    runUntilSignalled(monitor, control, errors);
    control.stopAll();
    reportCounters(control, errors);
    return {0, true};
}

} // namespace qv
