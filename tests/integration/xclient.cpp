// SPDX-License-Identifier: GPL-3.0-or-later
#include "xclient.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <vector>

namespace quietlane::testing {

namespace {
Display* display(void* handle) {
    return static_cast<Display*>(handle);
}
} // namespace

XClient::XClient(const std::string& name) : m_display(XOpenDisplay(name.c_str())) {}

XClient::~XClient() {
    if (m_display)
        XCloseDisplay(display(m_display));
}

unsigned XClient::keycode(const char* key) const {
    return XKeysymToKeycode(display(m_display), XStringToKeysym(key));
}

void XClient::press(std::initializer_list<const char*> keys) {
    const std::vector<const char*> order(keys);
    for (const char* key : order)
        XTestFakeKeyEvent(display(m_display), keycode(key), True, CurrentTime);
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        XTestFakeKeyEvent(display(m_display), keycode(*it), False, CurrentTime);
    XSync(display(m_display), False);
}

void XClient::click(int x, int y) {
    XTestFakeMotionEvent(display(m_display), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display(m_display), 1, True, CurrentTime);
    XTestFakeButtonEvent(display(m_display), 1, False, CurrentTime);
    XSync(display(m_display), False);
}

void XClient::grabWithControlAlt(const char* key) {
    XGrabKey(display(m_display), int(keycode(key)), ControlMask | Mod1Mask,
             DefaultRootWindow(display(m_display)), True, GrabModeAsync, GrabModeAsync);
    XSync(display(m_display), False);
}

} // namespace quietlane::testing
