// SPDX-License-Identifier: GPL-3.0-or-later
/* Presses and releases keys through KWin's org_kde_kwin_fake_input.
 * usage: kwinkey HOLD_MS KEYCODE... (evdev codes; pressed in order, released in reverse) */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>
#include "fake-input-client.h"

static struct org_kde_kwin_fake_input *fake;
static void global(void *d, struct wl_registry *r, uint32_t name, const char *iface, uint32_t ver) {
    (void)d;
    if (strcmp(iface, "org_kde_kwin_fake_input") == 0) {
        fprintf(stderr, "found org_kde_kwin_fake_input v%u\n", ver);
        fake = wl_registry_bind(r, name, &org_kde_kwin_fake_input_interface, ver < 4 ? ver : 4);
    }
}
static void global_remove(void *d, struct wl_registry *r, uint32_t n) { (void)d; (void)r; (void)n; }
static const struct wl_registry_listener listener = {global, global_remove};

int main(int argc, char **argv) {
    if (argc < 3) { fprintf(stderr, "usage: %s HOLD_MS KEYCODE...\n", argv[0]); return 2; }
    struct wl_display *dpy = wl_display_connect(NULL);
    if (!dpy) { fprintf(stderr, "cannot connect to wayland display\n"); return 1; }
    struct wl_registry *reg = wl_display_get_registry(dpy);
    wl_registry_add_listener(reg, &listener, NULL);
    wl_display_roundtrip(dpy);
    if (!fake) { fprintf(stderr, "compositor has no org_kde_kwin_fake_input\n"); return 1; }
    org_kde_kwin_fake_input_authenticate(fake, "kwinkey", "integration test");
    wl_display_roundtrip(dpy);
    for (int i = 2; i < argc; ++i) org_kde_kwin_fake_input_keyboard_key(fake, atoi(argv[i]), 1);
    wl_display_roundtrip(dpy);
    usleep(atoi(argv[1]) * 1000);
    for (int i = argc - 1; i >= 2; --i) org_kde_kwin_fake_input_keyboard_key(fake, atoi(argv[i]), 0);
    wl_display_roundtrip(dpy);
    fprintf(stderr, "sent %d key presses and releases\n", argc - 2);
    wl_display_disconnect(dpy);
    return 0;
}
