#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>
#include <QUrl>

#include "app/monitor.h"
#include "common/clock.h"
#include "engine/capture.h"
#include "gui/canberra_sound_player.h"
#include "gui/events_model.h"
#include "gui/gui_event_list.h"
#include "gui/ip_tools_windows.h"
#include "gui/main_window.h"
#include "gui/resume_watcher.h"
#include "gui/tray_icon.h"

namespace qv {

// The tray program's parts on one data folder: the engine (the same Monitor the watcher runs),
// capture through `driver`, the tray with its balloon, the sound player, the events list, the
// one-second scan timer, the resume watcher and the main window, hidden until asked for.
class TrayProgram : public QObject {
    Q_OBJECT
public:
    // `lookups` are the information window's network lookups (tests give ones that stay home).
    TrayProgram(const DataFolder& folder, PacketDriver& driver, StationLookups lookups = {},
                QObject* parent = nullptr);
    ~TrayProgram() override;

    // The start-up after the driver is bound: the data folder mended after an abrupt end, the
    // settings, the station table, the adapters with capture on the selected ones (every one on
    // a first run), the journal, the tray icon. The table is saved as a checkpoint every 15
    // minutes when it changed.
    void start();
    // Quorvane.cfg and ipmac.dat; what the saves had to say is shown.
    void saveAll();
    // "Exit": the window is closed first when shown (which saves), then the program ends.
    void exitProgram();
    // The end, however it comes: the timer stops, the configuration and the station table are
    // saved (once), capture stops, and send jobs get a moment to finish.
    void shutdown();

    MainWindow& window() { return *m_window; }
    TrayIcon& tray() { return m_tray; }
    Monitor& monitor() { return m_monitor; }
    CaptureControl& capture() { return m_capture; }
    EventsModel& events() { return m_events; }
    ResumeWatcher& resume() { return m_resume; }

private:
    void openPage(const QUrl& page);
    void warn(const QString& message);
    void tell(const std::vector<std::string>& notes);

    LocalClock m_clock;
    EventsModel m_events;
    GuiEventList m_eventList;
    TrayIcon m_tray;
    CanberraSoundPlayer m_sound;
    Monitor m_monitor;
    CaptureControl m_capture;
    QTimer m_scanTimer;
    ResumeWatcher m_resume;
    IpToolsWindows m_ipTools;
    std::unique_ptr<MainWindow> m_window;
    bool m_ended = false;
};

// Where the default sound lives: in share/quorvane beside the program's folder, where this build
// installs it, or in the build tree.
std::string soundFolder();

} // namespace qv
