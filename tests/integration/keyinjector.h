// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quietlane::testing {

/// Real key and pointer events for a private X server, sent through XTest from a client of
/// its own, the way a keyboard and mouse would: the server applies grabs, auto-repeat and
/// modifier state.
class KeyInjector {
public:
    explicit KeyInjector(const std::string& display)
        : m_connection(xcb_connect(display.c_str(), nullptr)),
          m_symbols(xcb_key_symbols_alloc(m_connection)) {}
    ~KeyInjector() {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }
    KeyInjector(const KeyInjector&) = delete;
    KeyInjector& operator=(const KeyInjector&) = delete;

    xcb_keycode_t keycode(uint32_t keysym) const {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        free(codes);
        return code;
    }

    void down(uint32_t keysym) { send(XCB_KEY_PRESS, keysym); }
    void up(uint32_t keysym) { send(XCB_KEY_RELEASE, keysym); }
    void tap(uint32_t keysym) {
        down(keysym);
        up(keysym);
    }

    /// Control, Alt and Super held, then `keysym`.
    void pressChord(uint32_t keysym) {
        down(XKB_KEY_Control_L);
        down(XKB_KEY_Alt_L);
        down(XKB_KEY_Super_L);
        down(keysym);
    }
    void releaseChord(uint32_t keysym) {
        up(keysym);
        up(XKB_KEY_Super_L);
        up(XKB_KEY_Alt_L);
        up(XKB_KEY_Control_L);
    }

    /// Presses the keys in order and releases them in reverse order, as when typing.
    void press(std::initializer_list<uint32_t> keysyms) {
        const std::vector<uint32_t> order(keysyms);
        for (const uint32_t keysym : order)
            down(keysym);
        for (auto it = order.rbegin(); it != order.rend(); ++it)
            up(*it);
        sync();
    }

    void move(int x, int y) {
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root(),
                            int16_t(x), int16_t(y), 0);
        sync();
    }
    void click(int x, int y) {
        move(x, y);
        xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
        sync();
    }

    /// Presses or releases mouse button `button` (2 the middle one, 8 and 9 the sides).
    void button(uint8_t button, bool down) {
        xcb_test_fake_input(m_connection, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, button,
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }

    /// Holds `keysym` with `modifiers` as another application's shortcut, until this
    /// injector goes; false when the server refuses.
    bool grab(uint32_t keysym, uint16_t modifiers) {
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, root(), modifiers, keycode(keysym),
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        free(error);
        return !error;
    }

    /// Waits until the server has handled everything sent so far.
    void sync() {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_window_t root() const {
        return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    void send(uint8_t type, uint32_t keysym) {
        xcb_test_fake_input(m_connection, type, keycode(keysym), XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    xcb_key_symbols_t* m_symbols;
};

} // namespace quietlane::testing
