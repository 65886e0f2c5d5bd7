#pragma once

struct wl_display;
struct wl_surface;

namespace qv {

// Asks the compositor of `display` (Qt's own connection) to activate `surface` with a launcher's
// activation token (the xdg-activation protocol). False when the compositor offers no activation;
// whether it honours the token is its own decision.
bool activateSurface(wl_display* display, wl_surface* surface, const char* token);

} // namespace qv
