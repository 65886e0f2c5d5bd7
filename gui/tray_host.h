#pragma once

#include <functional>

#include <QDBusConnection>
#include <QObject>

namespace qv {

// The kinds of notification area a Linux desktop offers. A StatusNotifierItem host (KDE Plasma,
// GNOME's AppIndicator extension, the Xfce and LXQt panels, waybar) reports one activation for a
// left click and never a double click; an XEmbed tray (icewm and the older X11 panels) reports
// both, as the Windows tray did.
enum class TrayKind { None, StatusNotifierItem, XEmbed };

// Looks for a notification area. Qt decides once per process which kind of tray icon it makes,
// at the first tray call, and never looks again; so the program asks here first, and makes its
// tray icon only once a host is there, when Qt's one look finds the same one.
class TrayHostProbe {
public:
    virtual ~TrayHostProbe() = default;
    // Answers on the GUI thread, at once or later; never blocks it.
    virtual void probe(std::function<void(TrayKind)> answer) = 0;
};

// The desktop's own: a StatusNotifierWatcher on the session bus with a host registered, as Qt
// looks for it; else, on X11, the owner of the screen's XEmbed tray selection.
class DesktopTrayProbe final : public QObject, public TrayHostProbe {
    Q_OBJECT
public:
    explicit DesktopTrayProbe(QDBusConnection bus, QObject* parent = nullptr);
    void probe(std::function<void(TrayKind)> answer) override;

private:
    void askWatcher(std::function<void(TrayKind)> answer);
    static TrayKind withoutStatusNotifierHost();

    QDBusConnection m_bus;
};

// Whether the X server of an xcb session has an XEmbed tray (the system tray selection of the
// first screen has an owner); false on every other platform.
bool xembedTrayPresent();

} // namespace qv
