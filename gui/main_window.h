#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "common/addresses.h"
#include "gui/about_page.h"
#include "gui/navigation_panel.h"
#include "gui/options_page.h"
#include "gui/window_activation.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace qv {

class ArpLogPage;
class ArpLogRing;
class CaptureControl;
class EventJournal;
class EventsModel;
class EventsPage;
class GuiEventList;
class IpMacPage;
class IpTools;
class SharedSettings;
class SoundPlayer;
template <typename Address>
class BasicStationTable;
using StationTable = BasicStationTable<IPv4Address>;
using StationTable6 = BasicStationTable<IPv6Address>;
class TableMenu;

// What the main window works on: the engine's stores, the capture table, the sound player for
// the Play button, the events list with its journal, the IP-tools windows, and how the program
// saves and opens web pages.
struct WindowServices {
    SharedSettings& settings;
    CaptureControl& capture;
    ArpLogRing& liveLog;
    StationTable& stations;
    StationTable6& stations6;
    SoundPlayer& sound;
    EventsModel& events;
    GuiEventList& eventList;
    EventJournal& journal;
    IpTools& ipTools;
    std::function<void()> save;          // writes Quorvane.cfg and ipmac.dat
    std::function<void()> clearStations; // empties the table and writes ipmac.dat
    OpenPage openPage;
};

// The main window (TfQuorvane): the navigation panel, five pages without tabs and the bottom
// buttons. It lives from start to end, hidden in the tray; every close saves the configuration
// and the station table, and capture goes on.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize CLIENT_SIZE{734, 428};

    explicit MainWindow(WindowServices services, QWidget* parent = nullptr);

    // Marks the page on the panel, refreshes the ARP log and IP<->MAC pages when they are chosen,
    // and shows it.
    void SelectPage(Page page);
    Page currentPage() const;
    // A tray command (or a second start, or a notification): the page, then the window, shown or
    // brought to the front with what the launcher handed over.
    void openOn(Page page, const LaunchTokens& tokens = {});
    // A word to the user beside the buttons (why the window was shown unasked); empty for none.
    void setNotice(const QString& text);
    QString notice() const;

    void RefreshARPTable();
    void RefreshIPMACTable();
    // Stores the Options page into the record and starts or stops capture to match.
    void bApplyClick();
    bool applyEnabled() const;

    EventsPage& eventsPage() { return *m_events; }
    ArpLogPage& arpLogPage() { return *m_arpLog; }
    IpMacPage& ipMacPage() { return *m_ipMac; }
    TableMenu& tableMenu() { return *m_tableMenu; }

protected:
    // FormShow, every time the window goes from hidden to shown: the pages show the record.
    void showEvent(QShowEvent* event) override;
    // FormClose, however the window closes: the configuration and the station table are saved.
    void done(int result) override;

private:
    QWidget* buildBottom();
    std::vector<AdapterEntry> adapters() const;
    void updateApplyEnabled();

    WindowServices m_services;
    NavigationPanel* m_navigation;
    QStackedWidget* m_pages;
    EventsPage* m_events;
    ArpLogPage* m_arpLog;
    IpMacPage* m_ipMac;
    OptionsPage* m_options;
    AboutPage* m_about;
    TableMenu* m_tableMenu;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
    QLabel* m_notice = nullptr;
    bool m_placed = false;
};

} // namespace qv
