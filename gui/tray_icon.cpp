#include "gui/tray_icon.h"

#include <QPointer>

#include "gui/desktop_notifications.h"
#include "gui/svg_pixmap.h"

namespace qv {

TrayIcon::TrayIcon(DesktopNotifications* notifications, QObject* parent)
    : QObject(parent), m_notifications(notifications) {
    m_menu.setObjectName("TrayMenu");
    QAction* events = addItem("miEvents", tr("Events"), &TrayIcon::eventsChosen);
    QFont bold = events->font();
    bold.setBold(true);
    events->setFont(bold);
    m_menu.setDefaultAction(events);
    addSeparator("N2");
    addItem("miOptions", tr("Options..."), &TrayIcon::optionsChosen);
    addSeparator("N3");
    addItem("miHelp", tr("Help"), &TrayIcon::helpChosen);
    addItem("miAbout", tr("About"), &TrayIcon::aboutChosen);
    addItem("miHomePage", tr("Home page"), &TrayIcon::homePageChosen);
    addItem("miSubscribeToNews", tr("Subscribe to news"), &TrayIcon::productPageChosen);
    addItem("miSendComments", tr("Send comments"), &TrayIcon::productPageChosen);
    addItem("miSoftwareForum", tr("Software Forum"), &TrayIcon::productPageChosen);
    addSeparator("N4");
    addItem("miExit", tr("Exit"), &TrayIcon::exitChosen);
    m_lookAgain.setSingleShot(true);
    connect(&m_lookAgain, &QTimer::timeout, this, &TrayIcon::lookForHost);
}

QAction* TrayIcon::addItem(const char* name, const QString& caption, void (TrayIcon::*chosen)()) {
    QAction* action = m_menu.addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, chosen);
    return action;
}

void TrayIcon::addSeparator(const char* name) {
    m_menu.addSeparator()->setObjectName(name);
}

void TrayIcon::startDocking(TrayHostProbe& probe, std::chrono::milliseconds grace) {
    m_probe = &probe;
    m_graceEnds = std::chrono::steady_clock::now() + grace;
    lookForHost();
}

void TrayIcon::lookForHost() {
    if (m_icon || m_looking || m_probe == nullptr) {
        return;
    }
    m_looking = true;
    m_probe->probe([self = QPointer<TrayIcon>(this)](TrayKind kind) {
        if (!self) {
            return;
        }
        self->m_looking = false;
        if (kind != TrayKind::None) {
            self->dock(kind);
            return;
        }
        const bool late = std::chrono::steady_clock::now() >= self->m_graceEnds;
        if (late && !self->m_saidNoTray) {
            self->m_saidNoTray = true;
            emit self->noTrayFound();
        }
        self->m_lookAgain.start(late ? LATE_LOOK_INTERVAL : LOOK_INTERVAL);
    });
}

// Qt makes its kind of icon at the first tray call, which comes only now that a host is there.
void TrayIcon::dock(TrayKind kind) {
    m_kind = kind;
    m_icon = std::make_unique<QSystemTrayIcon>();
    m_icon->setObjectName("TrayIcon");
    m_icon->setIcon(QIcon(svgPixmap(":/icons/quorvane.svg", QSize(64, 64))));
    m_icon->setToolTip("Quorvane");
    m_icon->setContextMenu(&m_menu);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayIcon::activated);
    m_icon->show();
    emit docked(kind);
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason) {
    // An XEmbed tray reports the first click of a double click as a Trigger too.
    if (reason == QSystemTrayIcon::DoubleClick ||
        (reason == QSystemTrayIcon::Trigger && m_kind == TrayKind::StatusNotifierItem)) {
        emit eventsChosen();
    }
}

void TrayIcon::showBalloon(const std::string& title, const std::string& text) {
    const QString t = QString::fromStdString(title).left(TITLE_LIMIT);
    const QString m = QString::fromStdString(text).left(TEXT_LIMIT);
    QMetaObject::invokeMethod(
        this,
        [this, t, m] {
            if (m_notifications != nullptr && m_notifications->available()) {
                m_notifications->notify(t, m);
            } else if (m_icon) {
                m_icon->showMessage(t, m, QSystemTrayIcon::Information);
            } else {
                return;
            }
            emit balloonShown(t, m);
        },
        Qt::QueuedConnection);
}

} // namespace qv
