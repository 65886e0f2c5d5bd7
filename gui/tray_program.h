#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include "app/monitor.h"
#include "common/clock.h"
#include "engine/capture.h"
#include "gui/canberra_sound_player.h"
#include "gui/desktop_notifications.h"
#include "gui/events_model.h"
#include "gui/gui_event_list.h"
#include "gui/ip_tools_windows.h"
#include "gui/main_window.h"
#include "gui/resume_watcher.h"
#include "gui/tray_host.h"
#include "gui/tray_icon.h"
#include "gui/window_activation.h"

namespace qv {

// What the program reaches of the desktop session: where it looks for a notification area, the
// session bus its desktop notifications go over, and how long a tray may take to come at start.
struct DesktopSession {
    std::unique_ptr<TrayHostProbe> trayProbe;
    QDBusConnection bus{QString()};
    std::chrono::milliseconds trayGrace = TrayIcon::GRACE;

    // This session's: its session bus, and the desktop's own look for a tray.
    static DesktopSession current();
};

// The tray program's parts on one data folder: the engine (the same Monitor the watcher runs),
// capture through `driver`, the tray with its balloon, the desktop notifications, the sound
// player, the events list, the one-second scan timer, the resume watcher and the main window,
// hidden until asked for. Where the desktop has no notification area, the window is shown
// instead, with a word on how to bring it back.
class TrayProgram : public QObject {
    Q_OBJECT
public:
    // `lookups` are the information window's network lookups (tests give ones that stay home).
    TrayProgram(const DataFolder& folder, PacketDriver& driver, StationLookups lookups = {},
                DesktopSession desktop = DesktopSession::current(), QObject* parent = nullptr);
    ~TrayProgram() override;

    // The start-up after the driver is bound: the data folder mended after an abrupt end, the
    // settings, the station table, the adapters with capture on the selected ones (every one on
    // a first run), the journal, the tray icon once a notification area is found (the window,
    // brought to the front with `tokens`, when none has come after the grace). The table is saved
    // as a checkpoint every 15 minutes when it changed.
    void start(const LaunchTokens& tokens = {});
    // Quorvane.cfg and ipmac.dat; what the saves had to say is shown.
    void saveAll();
    // "Exit": the window is closed first when shown (which saves), then the program ends.
    void exitProgram();
    // The end, however it comes: the timer stops, the configuration and the station table are
    // saved (once), capture stops, and send jobs get a moment to finish.
    void shutdown();
    // The one-second timer: the scan pass with the ARP log page refreshed between its steps,
    // the message targets' networks, and a checkpoint of the station table when one is due.
    void tDetectScanTimer();

    MainWindow& window() { return *m_window; }
    TrayIcon& tray() { return m_tray; }
    DesktopNotifications& notifications() { return m_notifications; }
    Monitor& monitor() { return m_monitor; }
    CaptureControl& capture() { return m_capture; }
    EventsModel& events() { return m_events; }
    ResumeWatcher& resume() { return m_resume; }

private:
    void openPage(const QUrl& page);
    void warn(const QString& message);
    void tell(const std::vector<std::string>& notes);
    void connectTray();

    LocalClock m_clock;
    EventsModel m_events;
    GuiEventList m_eventList;
    DesktopSession m_desktop;
    DesktopNotifications m_notifications;
    TrayIcon m_tray;
    CanberraSoundPlayer m_sound;
    Monitor m_monitor;
    CaptureControl m_capture;
    QTimer m_scanTimer;
    ResumeWatcher m_resume;
    IpToolsWindows m_ipTools;
    std::unique_ptr<MainWindow> m_window;
    LaunchTokens m_launch;
    bool m_ended = false;
};

// What the window says when the desktop has no notification area.
QString noTrayNotice();

// Where the default sound lives: in share/quorvane beside the program's folder, where this build
// installs it, or in the build tree.
std::string soundFolder();

} // namespace qv
