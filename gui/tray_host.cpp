#include "gui/tray_host.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>

#include "gui/dbus_reply.h"

namespace qv {
namespace {

const char* const WATCHER_SERVICE = "org.kde.StatusNotifierWatcher";
const char* const WATCHER_PATH = "/StatusNotifierWatcher";

} // namespace

DesktopTrayProbe::DesktopTrayProbe(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {}

void DesktopTrayProbe::probe(std::function<void(TrayKind)> answer) {
    if (!m_bus.isConnected()) {
        answer(withoutStatusNotifierHost());
        return;
    }
    // NameHasOwner, not a call to the watcher itself: a call would start an activatable watcher
    // once a second.
    whenAnswered<QDBusPendingReply<bool>>(
        m_bus.asyncCall(busDaemonCall("NameHasOwner") << QString(WATCHER_SERVICE)), this,
        [this, answer](const QDBusPendingReply<bool>& owned) {
            if (owned.isValid() && owned.value()) {
                askWatcher(answer);
            } else {
                answer(withoutStatusNotifierHost());
            }
        });
}

void DesktopTrayProbe::askWatcher(std::function<void(TrayKind)> answer) {
    const QDBusMessage get =
        QDBusMessage::createMethodCall(WATCHER_SERVICE, WATCHER_PATH,
                                       "org.freedesktop.DBus.Properties", "Get")
        << QString(WATCHER_SERVICE) << QString("IsStatusNotifierHostRegistered");
    whenAnswered<QDBusPendingReply<QDBusVariant>>(
        m_bus.asyncCall(get), this, [answer](const QDBusPendingReply<QDBusVariant>& host) {
            if (host.isValid() && host.value().variant().toBool()) {
                answer(TrayKind::StatusNotifierItem);
            } else {
                answer(withoutStatusNotifierHost());
            }
        });
}

TrayKind DesktopTrayProbe::withoutStatusNotifierHost() {
    return xembedTrayPresent() ? TrayKind::XEmbed : TrayKind::None;
}

} // namespace qv
