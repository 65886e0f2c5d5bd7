#include "gui/tray_program.h"

#include <cstdio>

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>

#include "app/folder_repair.h"
#include "common/file_io.h"
#include "gui/events_page.h"
#include "gui/install_paths.h"
#include "gui/web_pages.h"
#include "iptools/netbios_name_service.h"
#include "tables/station_rows.h"

namespace qv {
namespace {

constexpr auto SEND_JOB_GRACE = std::chrono::seconds(2);

} // namespace

std::string soundFolder() {
    const std::string program = programFolder();
    for (const std::string& folder :
         {program + "../share/quorvane/", installedDataFolder(), buildTree()}) {
        const QFileInfo sound(QString::fromStdString(folder + "event.wav"));
        if (sound.isFile()) {
            return sound.canonicalPath().toStdString() + "/";
        }
    }
    return installedDataFolder();
}

DesktopSession DesktopSession::current() {
    DesktopSession session;
    session.bus = QDBusConnection::sessionBus();
    session.trayProbe = std::make_unique<DesktopTrayProbe>(session.bus);
    return session;
}

QString noTrayNotice() {
    return QObject::tr("No notification area was found. Quorvane watches on; to bring this "
                       "window back, start Quorvane again from the applications menu.");
}

TrayProgram::TrayProgram(const DataFolder& folder, PacketDriver& driver, StationLookups lookups,
                         DesktopSession desktop, QObject* parent)
    : QObject(parent), m_eventList(m_events), m_desktop(std::move(desktop)),
      m_notifications(m_desktop.bus), m_tray(&m_notifications),
      m_monitor(folder, m_clock, m_eventList, Presenters{&m_tray, &m_sound, {}}),
      m_capture(driver, m_monitor.detector()), m_resume(m_capture),
      m_ipTools(m_monitor.sendJobs(), std::move(lookups)) {
    m_window = std::make_unique<MainWindow>(
        WindowServices{m_monitor.settings(), m_capture, m_monitor.liveLog(), m_monitor.stations(),
                       m_monitor.stations6(), m_sound, m_events, m_eventList, m_monitor.journal(),
                       m_ipTools, [this] { saveAll(); },
                       [this] {
                           const Cleared cleared =
                               clearStations({m_monitor.stations(), m_monitor.stations6()},
                                             m_monitor.stationsPath(), m_monitor.stations6Path());
                           if (!cleared.saved) {
                               tell({"Cannot write the station table \"" + cleared.failed + "\"."});
                           }
                       },
                       [this](const QUrl& page, bool) { openPage(page); }});
    m_ipTools.setParent(m_window.get());
    m_scanTimer.setObjectName("tDetectScan");
    m_scanTimer.setInterval(1000);
    connect(&m_scanTimer, &QTimer::timeout, this, &TrayProgram::tDetectScanTimer);
    m_scanTimer.start();
    connectTray();
    connect(&m_eventList, &GuiEventList::failed, this, &TrayProgram::warn);
    m_resume.listen(QDBusConnection::systemBus());
}

void TrayProgram::tDetectScanTimer() {
    // Addresses come and go (DHCP, Apply, resume): message targets are asked for on the
    // networks the capture sees now.
    m_monitor.netbiosBroadcasts().set(broadcastAddresses(m_capture.capturingAdapters()));
    // The pass's steps, with the ARP log page shown as trimmed before the requests count.
    m_monitor.scans().trimLiveLog();
    m_window->RefreshARPTable();
    m_monitor.scans().reportScans();
    m_window->eventsPage().setFlood(m_eventList.flood().goingOn(m_clock.now()));
    if (const auto saved = m_monitor.checkpoint(std::chrono::steady_clock::now())) {
        tell({saved->note});
    }
}

void TrayProgram::connectTray() {
    connect(&m_tray, &TrayIcon::eventsChosen, this, [this] { m_window->openOn(Page::Events); });
    connect(&m_tray, &TrayIcon::optionsChosen, this, [this] { m_window->openOn(Page::Options); });
    connect(&m_tray, &TrayIcon::aboutChosen, this, [this] { m_window->openOn(Page::About); });
    connect(&m_tray, &TrayIcon::helpChosen, this, [this] { openPage(makerHomePage()); });
    connect(&m_tray, &TrayIcon::homePageChosen, this,
            [this] { openPage(localeIsCyrillic() ? makerHomePage() : productPage()); });
    connect(&m_tray, &TrayIcon::productPageChosen, this, [this] { openPage(productPage()); });
    connect(&m_tray, &TrayIcon::exitChosen, this, &TrayProgram::exitProgram);
    connect(&m_tray, &TrayIcon::noTrayFound, this, [this] {
        m_window->setNotice(noTrayNotice());
        m_window->openOn(Page::Events, m_launch);
    });
    connect(&m_tray, &TrayIcon::docked, this, [this] { m_window->setNotice({}); });
    connect(&m_notifications, &DesktopNotifications::defaultActionInvoked, this,
            [this](const QString& token) {
                m_window->openOn(Page::Events, {token, {}});
            });
}

TrayProgram::~TrayProgram() {
    shutdown();
}

void TrayProgram::start(const LaunchTokens& tokens) {
    m_launch = tokens;
    std::vector<std::string> notes = repairDataFolder(m_monitor.folder());
    const bool settingsRead = m_monitor.loadSettings(soundFolder());
    m_monitor.loadStations();
    notes.push_back(m_monitor.settingsFile().loadNote());
    notes.push_back(m_monitor.stationsFile().loadNote());
    tell(notes);
    m_capture.enumerateAdapters();
    m_capture.startSelected(m_monitor.settings(), settingsRead);
    m_monitor.journal().LoadEventsTable();
    if (m_desktop.trayProbe) {
        m_tray.startDocking(*m_desktop.trayProbe, m_desktop.trayGrace);
    }
}

void TrayProgram::saveAll() {
    tell({m_monitor.saveSettings().note, m_monitor.saveStations().note});
}

// While the program runs the user sees the notes in a message box; at its end, which may come
// without a desktop, they go to the standard error.
void TrayProgram::tell(const std::vector<std::string>& notes) {
    QStringList lines;
    for (const std::string& note : notes) {
        if (!note.empty()) {
            lines.append(QString::fromStdString(note));
        }
    }
    if (lines.isEmpty()) {
        return;
    }
    if (m_ended) {
        std::fprintf(stderr, "quorvane: %s\n", qPrintable(lines.join("\nquorvane: ")));
    } else {
        warn(lines.join("\n"));
    }
}

void TrayProgram::exitProgram() {
    if (m_window->isVisible()) {
        m_window->reject();
    }
    QCoreApplication::quit();
}

void TrayProgram::shutdown() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_scanTimer.stop();
    saveAll();
    m_capture.stopAll();
    // The summaries of the last second of a flood.
    m_monitor.notifier().closeAll();
    m_monitor.sendJobs().waitForJobs(SEND_JOB_GRACE);
}

void TrayProgram::openPage(const QUrl& page) {
    QDesktopServices::openUrl(page);
}

void TrayProgram::warn(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, "Quorvane", message, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace qv
