#pragma once

#include <functional>

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QObject>

namespace qv {

// Runs `then` with the reply of `call` when it comes, on `context`'s thread; nothing when
// `context` is gone by then. The GUI thread never waits for another program on the bus.
template <typename Reply>
void whenAnswered(const QDBusPendingCall& call, QObject* context,
                  std::function<void(const Reply&)> then) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, then = std::move(then)] {
                         then(Reply(*watcher));
                         watcher->deleteLater();
                     });
}

// A call to the bus itself (NameHasOwner, ListActivatableNames, ...).
inline QDBusMessage busDaemonCall(const QString& member) {
    return QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus", member);
}

} // namespace qv
