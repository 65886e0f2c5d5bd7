#pragma once

#include <QString>

class QWidget;

namespace qv {

// What a launcher (or a notification server) hands the program it starts for bringing a window
// to the front: on Wayland the activation token (XDG_ACTIVATION_TOKEN), which the compositor
// alone may honour; on X11 the startup id (DESKTOP_STARTUP_ID), which ends the launcher's busy
// feedback when the window maps and tells the window manager a launch from focus stealing. Either
// may be empty.
struct LaunchTokens {
    QString activationToken;
    QString startupId;

    // The tokens this process was started with.
    static LaunchTokens ofThisProcess();
};

// Shows `window`, or restores it when it is shown already, and brings it to the front as far as
// the desktop lets a program do so.
void showInFront(QWidget& window, const LaunchTokens& tokens = {});

} // namespace qv
