// The main window's tables when they are full, on Qt's offscreen platform: opening the window on
// a journal of 1,000,000 events (until the events list's first paint), the one-second tick with
// 8191 packets in the ARP log and 8192 stations (the timer's scan pass and refresh, and the ARP
// log page's paint), sorting the 8192 stations, and the resident memory with all three full.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include <QApplication>
#include <QTableView>

#include "bench/bench_support.h"
#include "gui/arp_log_page.h"
#include "gui/events_page.h"
#include "gui/ipmac_page.h"
#include "gui/tray_program.h"
#include "settings/settings_file.h"
#include "tests/support/fake_packet_driver.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace qv;

constexpr int EVENTS = 1'000'000;

// A desktop with its tray there from the start, and no session bus: the window shows only when
// the benchmark opens it, and no notification leaves the process.
class TrayThere final : public TrayHostProbe {
public:
    void probe(std::function<void(TrayKind)> answer) override { answer(TrayKind::XEmbed); }
};

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

void writeJournal(const std::filesystem::path& folder) {
    std::ofstream out(folder / "Events.csv", std::ios::binary);
    out << "Date/Time;Type;Details\r\n";
    for (int i = 0; i < EVENTS; ++i) {
        const auto n = static_cast<std::uint32_t>(i % 8192);
        out << "12/06/26 18:01:52;New station;" << IPToText(bench::stationIp(n))
            << ", hwaddr: " << MACToText(bench::stationMac(n)) << "\r\n";
    }
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// The program on a folder with a full journal, 8192 stations and a full live log.
struct FullProgram {
    FullProgram() {
        std::filesystem::create_directories(folder.folder());
        bench::writeFullFolder(folder);
        writeJournal(folder.folder());
        program = std::make_unique<TrayProgram>(folder, driver, StationLookups{},
                                                DesktopSession{std::make_unique<TrayThere>(),
                                                               QDBusConnection(QString()),
                                                               TrayIcon::GRACE});
        program->monitor().loadStations();
    }
    // The log's packets come from the stations already known: they raise no event, whose
    // balloons and sounds would be measured instead of the window.
    void fillLog() {
        for (std::uint32_t n = 0; n < ARP_LOG_SLOTS; ++n) {
            program->monitor().detector().processArpFrame(bench::arpRequest(
                bench::stationMac(n), bench::stationIp(n), bench::stationIp(n + 1)));
        }
    }
    test::TempFolder root;
    DataFolder folder{root / "Quorvane"};
    test::FakePacketDriver driver;
    std::unique_ptr<TrayProgram> program;
};

// Made once for all the benchmarks, and ended before the application is (see main).
std::unique_ptr<FullProgram>& fullProgram() {
    static std::unique_ptr<FullProgram> instance;
    return instance;
}

FullProgram& full() {
    if (!fullProgram()) {
        fullProgram() = std::make_unique<FullProgram>();
    }
    return *fullProgram();
}

void BM_OpenOnAMillionEvents(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FullProgram& f = full();
        f.program->window().hide();
        state.ResumeTiming();
        f.program->start(); // loads the journal and the stations
        QCoreApplication::processEvents();
        PaintCounter counter;
        QTableView* list = f.program->window().eventsPage().list();
        list->viewport()->installEventFilter(&counter);
        f.program->window().openOn(Page::Events);
        while (counter.paints == 0) {
            QCoreApplication::processEvents();
        }
        list->viewport()->removeEventFilter(&counter);
        state.counters["rows"] = list->model()->rowCount();
    }
}
BENCHMARK(BM_OpenOnAMillionEvents)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OneSecondTick(benchmark::State& state) {
    FullProgram& f = full();
    f.fillLog();
    f.program->window().openOn(Page::ArpLog);
    QCoreApplication::processEvents();
    std::uint32_t n = 0;
    for (auto _ : state) {
        // A packet of the last second, so that the refresh has a change to show; a capture
        // thread's work, not the tick's.
        state.PauseTiming();
        f.program->monitor().detector().processArpFrame(bench::arpRequest(
            bench::stationMac(n % 8192), bench::stationIp(n % 8192), bench::stationIp(1)));
        ++n;
        state.ResumeTiming();
        f.program->tDetectScanTimer(); // the tick: the scan pass and the page's refresh
        // and the paints it asked for, as the event loop would give them
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    state.counters["rows"] = f.program->window().arpLogPage().detailedList()->model()->rowCount();
}
BENCHMARK(BM_OneSecondTick)->Unit(benchmark::kMillisecond);

void BM_SortStations(benchmark::State& state) {
    FullProgram& f = full();
    StationModel& model = f.program->window().ipMacPage().model();
    int column = 0;
    for (auto _ : state) {
        model.columnClicked(column++ % 4);
    }
    state.counters["stations"] = model.rowCount();
    state.counters["rss_kB"] = static_cast<double>(residentKilobytes());
}
BENCHMARK(BM_SortStations)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fullProgram().reset();
    benchmark::Shutdown();
    return 0;
}
