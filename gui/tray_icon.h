#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include "events/notifier.h"

namespace qv {

// The notification-area icon (TrayIcon) and its menu (TrayMenu). It is also the balloon of every
// announced event: the title and text of one event are handed over together and shown on the GUI
// thread, whatever thread raised the event, so no balloon mixes two events.
class TrayIcon final : public QObject, public BalloonPresenter {
    Q_OBJECT
public:
    static constexpr int TITLE_LIMIT = 63;
    static constexpr int TEXT_LIMIT = 255;

    explicit TrayIcon(QObject* parent = nullptr);

    void show() { m_icon.show(); }
    bool isVisible() const { return m_icon.isVisible(); }
    QMenu& menu() { return m_menu; }
    QSystemTrayIcon& icon() { return m_icon; }

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
    // A balloon was handed to the notification area (GUI thread).
    void balloonShown(const QString& title, const QString& text);

private:
    QAction* addItem(const char* name, const QString& caption, void (TrayIcon::*chosen)());
    void addSeparator(const char* name);

    QMenu m_menu;
    QSystemTrayIcon m_icon;
};

} // namespace qv
