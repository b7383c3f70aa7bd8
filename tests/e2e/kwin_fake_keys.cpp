// Presses and releases a key through KWin's fake input protocol, the way a remote-control
// tool does: KWin offers no virtual keyboard to ordinary clients, and headless it has no
// devices. KWin grants the protocol only to programs whose desktop entry asks for it.
//
//     kwin_fake_keys <count>    (count key strokes of "a", 50 ms apart)
#include "fake-input-client.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/input-event-codes.h>
#include <unistd.h>

namespace {

org_kde_kwin_fake_input* fakeInput = nullptr;

void announced(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void removed(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener {announced, removed};

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "kwin_fake_keys: no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        std::fprintf(stderr, "kwin_fake_keys: the compositor offers no org_kde_kwin_fake_input (v4) to this program\n");
        return 2;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "larkspan-e2e", "typing for a test");
    for (int i = 0; i < count; ++i) {
        org_kde_kwin_fake_input_keyboard_key(fakeInput, KEY_A, 1);
        org_kde_kwin_fake_input_keyboard_key(fakeInput, KEY_A, 0);
        if (wl_display_roundtrip(display) < 0) {
            std::fprintf(stderr, "kwin_fake_keys: the compositor closed the connection\n");
            return 3;
        }
        usleep(50000);
    }
    org_kde_kwin_fake_input_destroy(fakeInput);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
