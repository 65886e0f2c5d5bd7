// The one file of the tray program that speaks the Wayland protocol itself: Qt 6.4 takes an
// activation token only from its own start-up environment, not one handed over at run time.

#include "gui/wayland_activation.h"

#include <cstdint>
#include <cstring>
#include <wayland-client.h>

#include "xdg-activation-v1-client-protocol.h"

namespace qv {
namespace {

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
    if (std::strcmp(interface, xdg_activation_v1_interface.name) == 0) {
        *static_cast<xdg_activation_v1**>(data) = static_cast<xdg_activation_v1*>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
    }
}

void globalRemoved(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER{global, globalRemoved};

// The compositor's activation global, bound once on a queue of this file's own, so that Qt's
// reading of the display on its own thread never sees these events.
xdg_activation_v1* activation(wl_display* display) {
    static wl_display* boundOn = nullptr;
    static xdg_activation_v1* bound = nullptr;
    if (boundOn == display) {
        return bound;
    }
    boundOn = display;
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    wl_registry* registry = wl_display_get_registry(wrapper);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, &bound);
    wl_display_roundtrip_queue(display, queue);
    if (bound != nullptr) {
        // It sends no events; back on the default queue, so that this one can go.
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(bound), nullptr);
    }
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapper);
    wl_event_queue_destroy(queue);
    return bound;
}

} // namespace

bool activateSurface(wl_display* display, wl_surface* surface, const char* token) {
    xdg_activation_v1* manager = activation(display);
    if (manager == nullptr) {
        return false;
    }
    xdg_activation_v1_activate(manager, token, surface);
    wl_display_flush(display);
    return true;
}

} // namespace qv
