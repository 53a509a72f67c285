// SPDX-License-Identifier: GPL-3.0-or-later
// EWMH hints for the floating widget. Window managers that follow the EWMH (openbox,
// xfwm4, KWin, Mutter, Marco, Fluxbox) keep a window with _NET_WM_STATE_STICKY or
// _NET_WM_DESKTOP = 0xFFFFFFFF on every desktop; minimal ones without EWMH (twm, plain
// i3 scratch-less setups) ignore them and the widget stays on the desktop it appeared on.
#include "widget/windowhints.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace quietlane {

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, std::uint16_t(std::char_traits<char>::length(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

class X11WindowHints final : public WindowHints {
public:
    explicit X11WindowHints(xcb_connection_t* connection) : m_connection(connection) {}

    void makeFloating(std::uint32_t window) override {
        const xcb_atom_t state = internAtom(m_connection, "_NET_WM_STATE");
        const xcb_atom_t desktop = internAtom(m_connection, "_NET_WM_DESKTOP");
        std::vector<xcb_atom_t> states = currentStates(window, state);
        for (const char* name : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE",
                                 "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
            const xcb_atom_t atom = internAtom(m_connection, name);
            if (atom != XCB_ATOM_NONE &&
                std::find(states.begin(), states.end(), atom) == states.end())
                states.push_back(atom);
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                            std::uint32_t(states.size()), states.data());
        const std::uint32_t allDesktops = 0xFFFFFFFF;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, desktop, XCB_ATOM_CARDINAL,
                            32, 1, &allDesktops);
        xcb_flush(m_connection);
    }

    bool isCompositing() const override {
        // A compositing manager owns _NET_WM_CM_S<n> for the screen it composites.
        const xcb_atom_t selection = internAtom(m_connection, "_NET_WM_CM_S0");
        if (selection == XCB_ATOM_NONE)
            return false;
        const auto cookie = xcb_get_selection_owner(m_connection, selection);
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(m_connection, cookie, nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        return owned;
    }

private:
    std::vector<xcb_atom_t> currentStates(std::uint32_t window, xcb_atom_t state) const {
        std::vector<xcb_atom_t> atoms;
        const auto cookie =
            xcb_get_property(m_connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection, cookie, nullptr);
        if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return atoms;
    }

    xcb_connection_t* m_connection;
};

} // namespace

std::unique_ptr<WindowHints> createWindowHints(void* xcbConnection) {
    if (!xcbConnection)
        return std::make_unique<NullWindowHints>();
    return std::make_unique<X11WindowHints>(static_cast<xcb_connection_t*>(xcbConnection));
}

} // namespace quietlane
