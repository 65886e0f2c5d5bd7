// The one file of the tray program that speaks X11: whether an XEmbed tray is there, asked of the
// X server Qt is connected to, without Qt's own look (which it takes only once).

#include <cstdlib>
#include <cstring>
#include <string>

#include <QGuiApplication>
#include <xcb/xcb.h>

#include "gui/tray_host.h"

namespace qv {
namespace {

// The screen of DISPLAY (":0.1" is screen 1), as the tray's selection is named after it.
int displayScreen() {
    const char* display = std::getenv("DISPLAY");
    const char* dot = display != nullptr ? std::strrchr(display, '.') : nullptr;
    const char* colon = display != nullptr ? std::strrchr(display, ':') : nullptr;
    return dot != nullptr && colon != nullptr && dot > colon ? std::atoi(dot + 1) : 0;
}

} // namespace

bool xembedTrayPresent() {
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return false;
    }
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(displayScreen());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    if (atom == nullptr) {
        return false;
    }
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE) {
        return false; // nobody ever made the atom, so nobody owns it
    }
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
}

} // namespace qv
