// A stand-in for a Wayland launcher: asks the compositor of WAYLAND_DISPLAY for an activation
// token, as a launcher does for the program it starts, and prints it.
//
//   qv-activation-token APP_ID

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <wayland-client.h>

#include "xdg-activation-v1-client-protocol.h"

namespace {

xdg_activation_v1* activation = nullptr;
std::string token;

void global(void*, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
    if (std::strcmp(interface, xdg_activation_v1_interface.name) == 0) {
        activation = static_cast<xdg_activation_v1*>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
    }
}
void globalRemoved(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener REGISTRY{global, globalRemoved};

void done(void*, xdg_activation_token_v1*, const char* text) {
    token = text;
}
const xdg_activation_token_v1_listener TOKEN{done};

} // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr || argc != 2) {
        std::fprintf(stderr, "usage: WAYLAND_DISPLAY=... qv-activation-token APP_ID\n");
        return 2;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY, nullptr);
    wl_display_roundtrip(display);
    if (activation == nullptr) {
        std::fprintf(stderr, "the compositor offers no xdg-activation\n");
        return 1;
    }
    xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(request, &TOKEN, nullptr);
    xdg_activation_token_v1_set_app_id(request, argv[1]);
    xdg_activation_token_v1_commit(request);
    while (token.empty() && wl_display_dispatch(display) != -1) {
    }
    std::printf("%s\n", token.c_str());
    wl_display_disconnect(display);
    return token.empty() ? 1 : 0;
}
