#include "gui/desktop_notifications.h"

#include <algorithm>
#include <utility>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QImage>

#include "gui/dbus_reply.h"
#include "gui/svg_pixmap.h"

namespace qv {

// The "image-data" hint: raw RGBA rows, as every current server shows whether or not the icon is
// installed in the icon theme.
struct NotificationImage {
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationImage& picture) {
    const QImage& image = picture.image;
    argument.beginStructure();
    argument << image.width() << image.height() << static_cast<int>(image.bytesPerLine()) << true
             << 8 << 4
             << QByteArray(reinterpret_cast<const char*>(image.constBits()),
                           static_cast<int>(image.sizeInBytes()));
    argument.endStructure();
    return argument;
}

// Never read back; QtDBus asks for both directions.
const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationImage&) {
    return argument;
}

} // namespace qv

Q_DECLARE_METATYPE(qv::NotificationImage)

namespace qv {
namespace {

const QString SERVICE = "org.freedesktop.Notifications";
const QString PATH = "/org/freedesktop/Notifications";
constexpr int ICON_PIXELS = 48;

const NotificationImage& programImage() {
    static const NotificationImage image{
        svgImage(":/icons/quorvane.svg", QSize(ICON_PIXELS, ICON_PIXELS))};
    return image;
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {
    qDBusRegisterMetaType<NotificationImage>();
    if (!m_bus.isConnected()) {
        return;
    }
    m_bus.connect(SERVICE, PATH, SERVICE, "ActionInvoked", this,
                  SLOT(ActionInvoked(uint, QString)));
    m_bus.connect(SERVICE, PATH, SERVICE, "ActivationToken", this,
                  SLOT(ActivationToken(uint, QString)));
    m_bus.connect(SERVICE, PATH, SERVICE, "NotificationClosed", this,
                  SLOT(NotificationClosed(uint, uint)));
    auto* watcher = new QDBusServiceWatcher(SERVICE, m_bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &DesktopNotifications::learnServer);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { m_running = false; });
    whenAnswered<QDBusPendingReply<bool>>(m_bus.asyncCall(busDaemonCall("NameHasOwner") << SERVICE),
                                          this, [this](const QDBusPendingReply<bool>& owned) {
                                              if (owned.isValid() && owned.value()) {
                                                  learnServer();
                                              }
                                          });
    whenAnswered<QDBusPendingReply<QStringList>>(
        m_bus.asyncCall(busDaemonCall("ListActivatableNames")), this,
        [this](const QDBusPendingReply<QStringList>& names) {
            m_activatable = names.isValid() && names.value().contains(SERVICE);
        });
}

// Whether the server reads the body as markup (the details are then escaped), asked before the
// first notification goes to it; a server started on demand is started by this question.
void DesktopNotifications::learnServer() {
    if (m_asking) {
        return;
    }
    m_asking = true;
    whenAnswered<QDBusPendingReply<QStringList>>(
        m_bus.asyncCall(QDBusMessage::createMethodCall(SERVICE, PATH, SERVICE, "GetCapabilities")),
        this, [this](const QDBusPendingReply<QStringList>& capabilities) {
            m_asking = false;
            m_bodyMarkup = capabilities.isValid() && capabilities.value().contains("body-markup");
            m_running = capabilities.isValid();
            for (const auto& [summary, body] : std::exchange(m_waiting, {})) {
                send(summary, body);
            }
        });
}

void DesktopNotifications::notify(const QString& summary, const QString& body) {
    if (!m_bus.isConnected()) {
        return;
    }
    if (!m_running) {
        if (m_waiting.size() < WAITING_LIMIT) {
            m_waiting.emplace_back(summary, body);
        }
        learnServer();
        return;
    }
    send(summary, body);
}

void DesktopNotifications::send(const QString& summary, const QString& body) {
    QVariantMap hints;
    hints.insert("desktop-entry", QString(ICON_NAME));
    hints.insert("category", QString("network"));
    hints.insert("urgency", QVariant::fromValue(static_cast<uchar>(1)));
    hints.insert("image-data", QVariant::fromValue(programImage()));
    QDBusMessage call = QDBusMessage::createMethodCall(SERVICE, PATH, SERVICE, "Notify");
    call << QString(APPLICATION_NAME) << 0u << QString(ICON_NAME) << summary << bodyText(body)
         << QStringList{DEFAULT_ACTION, tr("Show the events")} << hints << -1;
    whenAnswered<QDBusPendingReply<uint>>(m_bus.asyncCall(call), this,
                                          [this](const QDBusPendingReply<uint>& id) {
                                              if (id.isValid()) {
                                                  remember(id.value());
                                                  emit shown(id.value());
                                              }
                                          });
}

QString DesktopNotifications::bodyText(const QString& body) const {
    if (!m_bodyMarkup) {
        return body;
    }
    QString escaped = body;
    escaped.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    return escaped;
}

void DesktopNotifications::remember(uint id) {
    m_ids.push_back(id);
    if (m_ids.size() > REMEMBERED) {
        m_tokens.remove(m_ids.front());
        m_ids.pop_front();
    }
}

bool DesktopNotifications::ours(uint id) const {
    return std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end();
}

void DesktopNotifications::ActionInvoked(uint id, const QString& action) {
    if (ours(id) && action == DEFAULT_ACTION) {
        emit defaultActionInvoked(m_tokens.take(id));
    }
}

void DesktopNotifications::ActivationToken(uint id, const QString& token) {
    if (ours(id)) {
        m_tokens.insert(id, token);
    }
}

void DesktopNotifications::NotificationClosed(uint id, uint) {
    m_ids.erase(std::remove(m_ids.begin(), m_ids.end(), id), m_ids.end());
    m_tokens.remove(id);
}

} // namespace qv
