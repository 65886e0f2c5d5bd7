#pragma once

#include <deque>
#include <utility>
#include <vector>

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

namespace qv {

// Desktop notifications through the freedesktop notification server on the session bus
// (org.freedesktop.Notifications: GNOME Shell, KDE Plasma, dunst, mako, xfce4-notifyd, ...).
// Every notification is one of its own, named "Quorvane", with the program's icon and a default
// action that the server reports when the user chooses the notification. Calls never wait for the
// server: its answers arrive on the GUI thread later.
class DesktopNotifications final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* APPLICATION_NAME = "Quorvane";
    static constexpr const char* ICON_NAME = "quorvane";
    static constexpr const char* DEFAULT_ACTION = "default";
    // The notifications whose default action is still listened for; the oldest are forgotten
    // past it, as a server that never says a notification closed would otherwise grow the set.
    static constexpr std::size_t REMEMBERED = 512;
    // Notifications kept while the server is first asked what it can do; more are dropped.
    static constexpr std::size_t WAITING_LIMIT = 64;

    explicit DesktopNotifications(QDBusConnection bus, QObject* parent = nullptr);

    // Whether a notification server runs on the bus or is started by it on demand (as learned so
    // far: the first answer comes shortly after construction).
    bool available() const { return m_running || m_activatable; }
    // GUI thread.
    void notify(const QString& summary, const QString& body);

signals:
    // The user chose the default action of one of this program's notifications; `activationToken`
    // is the token the server handed with it for bringing a window to the front, or empty.
    void defaultActionInvoked(const QString& activationToken);
    // The server answered a notify with its id (for tests and diagnostics).
    void shown(uint id);

private slots:
    void ActionInvoked(uint id, const QString& action);
    void ActivationToken(uint id, const QString& token);
    void NotificationClosed(uint id, uint reason);

private:
    void learnServer();
    void send(const QString& summary, const QString& body);
    void remember(uint id);
    bool ours(uint id) const;
    QString bodyText(const QString& body) const;

    QDBusConnection m_bus;
    bool m_running = false; // and has said what it can do
    bool m_activatable = false;
    bool m_asking = false;
    bool m_bodyMarkup = false;
    std::vector<std::pair<QString, QString>> m_waiting;
    std::deque<uint> m_ids;
    QHash<uint, QString> m_tokens;
};

} // namespace qv
