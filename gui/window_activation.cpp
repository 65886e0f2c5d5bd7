#include "gui/window_activation.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include "gui/wayland_activation.h"

namespace qv {
namespace {

// Qt's X11 platform carries the startup id of the next window to map; a program told one at run
// time sets it through the platform's native interface.
void useStartupId(const QString& startupId) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (startupId.isEmpty() || native == nullptr || QGuiApplication::platformName() != "xcb") {
        return;
    }
    using SetStartupId = void (*)(const char*);
    // The platform hands its functions over as one generic type; void (*)() converts to any.
    if (const auto function = native->nativeResourceFunctionForIntegration("setstartupid")) {
        reinterpret_cast<SetStartupId>(reinterpret_cast<void (*)()>(function))(
            startupId.toUtf8().constData());
    }
}

bool activateOnWayland(QWidget& window, const QString& token) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (token.isEmpty() || native == nullptr || QGuiApplication::platformName() != "wayland" ||
        window.windowHandle() == nullptr) {
        return false;
    }
    auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
    auto* surface =
        static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window.windowHandle()));
    return display != nullptr && surface != nullptr &&
           activateSurface(display, surface, token.toUtf8().constData());
}

} // namespace

LaunchTokens LaunchTokens::ofThisProcess() {
    return {qEnvironmentVariable("XDG_ACTIVATION_TOKEN"),
            qEnvironmentVariable("DESKTOP_STARTUP_ID")};
}

void showInFront(QWidget& window, const LaunchTokens& tokens) {
    if (window.isVisible()) {
        window.showNormal();
        window.raise();
    } else {
        useStartupId(tokens.startupId);
        window.show();
    }
    if (!activateOnWayland(window, tokens.activationToken)) {
        window.activateWindow();
    }
}

} // namespace qv
