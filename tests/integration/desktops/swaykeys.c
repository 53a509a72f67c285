// SPDX-License-Identifier: GPL-3.0-or-later
/* Presses and releases keys on a wlroots compositor through zwp_virtual_keyboard_v1, as
 * told by lines on standard input: "press CODE" or "release CODE" (evdev codes). The keymap
 * is the default XKB one (evdev/pc105/us), so XWayland clients see the usual keycodes. A key
 * stays down until its release line comes, so a test can hold it for as long as it needs
 * to look at what the press did. Prints "ready" once the keyboard exists. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-client.h"

static struct wl_seat* seat;
static struct zwp_virtual_keyboard_manager_v1* manager;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, "wl_seat") == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    if (strcmp(interface, "zwp_virtual_keyboard_manager_v1") == 0)
        manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "swaykeys: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        fprintf(stderr, "swaykeys: the compositor offers no virtual keyboard or no seat\n");
        return 1;
    }

    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_keymap* keymap =
        xkb_keymap_new_from_names(context, NULL, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
    if (!text) {
        fprintf(stderr, "swaykeys: cannot build the default keymap\n");
        return 1;
    }
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
        fprintf(stderr, "swaykeys: cannot hand the keymap over\n");
        return 1;
    }
    struct zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    wl_display_roundtrip(display);
    struct xkb_state* state = xkb_state_new(keymap);
    puts("ready");
    fflush(stdout);

    char line[64];
    while (fgets(line, sizeof line, stdin)) {
        char action[16];
        unsigned code;
        if (sscanf(line, "%15s %u", action, &code) != 2 ||
            (strcmp(action, "press") != 0 && strcmp(action, "release") != 0)) {
            fprintf(stderr, "swaykeys: cannot read %s", line);
            return 2;
        }
        const int pressed = strcmp(action, "press") == 0;
        zwp_virtual_keyboard_v1_key(keyboard, now_ms(), code,
                                    pressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                            : WL_KEYBOARD_KEY_STATE_RELEASED);
        // The compositor takes modifiers only from this request, not from the key itself.
        xkb_state_update_key(state, code + 8, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(
            keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED), 0);
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "swaykeys: the compositor went away\n");
            return 1;
        }
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    return 0;
}
