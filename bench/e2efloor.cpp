// SPDX-License-Identifier: GPL-3.0-or-later
// The least any program can do for "shortcut pressed -> source muted": a passive grab of
// Ctrl+Alt+Super+KEY on the X root window and, on each press, one libpulse request that
// flips the source's mute. No waiting, no state, no window. Measured by the end-to-end
// benchmark next to the program, in the same run, so the program's figure is a ratio.
// Usage: quietlane_e2e_floor SOURCE KEYSYM   (prints "floor ready", runs until killed)
#include <X11/Xlib.h>
#include <pulse/pulseaudio.h>

#include <cstdio>

namespace {

pa_threaded_mainloop* mainloop;
int muted = -1;

void stateChanged(pa_context*, void*) {
    pa_threaded_mainloop_signal(mainloop, 0);
}

void sourceInfo(pa_context*, const pa_source_info* info, int eol, void*) {
    if (eol || !info) {
        pa_threaded_mainloop_signal(mainloop, 0);
        return;
    }
    muted = info->mute;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE KEYSYM\n", argv[0]);
        return 2;
    }
    const char* source = argv[1];
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    mainloop = pa_threaded_mainloop_new();
    pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "e2e-floor");
    pa_context_set_state_callback(context, stateChanged, nullptr);
    pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
    pa_threaded_mainloop_lock(mainloop);
    pa_threaded_mainloop_start(mainloop);
    while (pa_context_get_state(context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
            std::fprintf(stderr, "cannot connect to the sound server\n");
            return 1;
        }
        pa_threaded_mainloop_wait(mainloop);
    }
    pa_operation* read = pa_context_get_source_info_by_name(context, source, sourceInfo, nullptr);
    while (pa_operation_get_state(read) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(mainloop);
    pa_operation_unref(read);
    pa_threaded_mainloop_unlock(mainloop);
    if (muted < 0) {
        std::fprintf(stderr, "no source %s\n", source);
        return 1;
    }

    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(argv[2]));
    XGrabKey(display, key, ControlMask | Mod1Mask | Mod4Mask, DefaultRootWindow(display), True,
             GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    std::printf("floor ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress || event.xkey.keycode != key)
            continue;
        pa_threaded_mainloop_lock(mainloop);
        muted = !muted;
        if (pa_operation* write =
                pa_context_set_source_mute_by_name(context, source, muted, nullptr, nullptr))
            pa_operation_unref(write);
        pa_threaded_mainloop_unlock(mainloop);
    }
}
