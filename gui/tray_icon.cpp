#include "gui/tray_icon.h"

#include "gui/svg_pixmap.h"

namespace qv {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    m_menu.setObjectName("TrayMenu");
    m_icon.setObjectName("TrayIcon");
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

    m_icon.setIcon(QIcon(svgPixmap(":/icons/quorvane.svg", QSize(64, 64))));
    m_icon.setToolTip("Quorvane");
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    emit eventsChosen();
                }
            });
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

void TrayIcon::showBalloon(const std::string& title, const std::string& text) {
    const QString t = QString::fromStdString(title).left(TITLE_LIMIT);
    const QString m = QString::fromStdString(text).left(TEXT_LIMIT);
    QMetaObject::invokeMethod(
        this,
        [this, t, m] {
            m_icon.showMessage(t, m, QSystemTrayIcon::Information);
            emit balloonShown(t, m);
        },
        Qt::QueuedConnection);
}

} // namespace qv
