#pragma once

#include <chrono>
#include <memory>

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include "events/notifier.h"
#include "gui/tray_host.h"

namespace qv {

class DesktopNotifications;

// The notification-area icon (TrayIcon) and its menu (TrayMenu). It is also the balloon of every
// announced event: the title and text of one event are handed over together and shown on the GUI
// thread, whatever thread raised the event, so no balloon mixes two events. A balloon is a
// desktop notification where a notification server runs, else the tray's own balloon.
//
// The icon is made once a notification area is there: at start, or whenever one comes later. On
// an XEmbed tray a double click opens the Events page; a StatusNotifierItem host reports a left
// click as one activation, which opens it there.
class TrayIcon final : public QObject, public BalloonPresenter {
    Q_OBJECT
public:
    static constexpr int TITLE_LIMIT = 63;
    static constexpr int TEXT_LIMIT = 255;
    // How long a tray that starts with the session may take to come before the program shows
    // its window instead, and how often it looks meanwhile and after.
    static constexpr std::chrono::milliseconds GRACE{5000};
    static constexpr std::chrono::milliseconds LOOK_INTERVAL{500};
    static constexpr std::chrono::milliseconds LATE_LOOK_INTERVAL{2000};

    // `notifications` may be null (no session bus).
    explicit TrayIcon(DesktopNotifications* notifications = nullptr, QObject* parent = nullptr);

    // Looks for a notification area through `probe` (which must outlive this) and docks in the
    // first one found; says noTrayFound() once when none has come within `grace`.
    void startDocking(TrayHostProbe& probe, std::chrono::milliseconds grace = GRACE);
    TrayKind kind() const { return m_kind; }
    QMenu& menu() { return m_menu; }
    // Null until docked.
    QSystemTrayIcon* icon() { return m_icon.get(); }

    // Any thread.
    void showBalloon(const std::string& title, const std::string& text) override;

signals:
    void eventsChosen();
    void optionsChosen();
    void aboutChosen();
    void helpChosen();
    void homePageChosen();
    void productPageChosen();
    void exitChosen();
    // A balloon was handed to the desktop (GUI thread).
    void balloonShown(const QString& title, const QString& text);
    void docked(TrayKind kind);
    void noTrayFound();

private:
    QAction* addItem(const char* name, const QString& caption, void (TrayIcon::*chosen)());
    void addSeparator(const char* name);
    void lookForHost();
    void dock(TrayKind kind);
    void activated(QSystemTrayIcon::ActivationReason reason);

    QMenu m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon; // after the menu it shows, so it goes first
    TrayKind m_kind = TrayKind::None;
    DesktopNotifications* m_notifications;
    TrayHostProbe* m_probe = nullptr;
    QTimer m_lookAgain;
    std::chrono::steady_clock::time_point m_graceEnds;
    bool m_looking = false;
    bool m_saidNoTray = false;
};

} // namespace qv
