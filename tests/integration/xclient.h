// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>
#include <string>

namespace quietlane::testing {

/// Another application on a display: it types and clicks through XTest and may hold key
/// combinations. Keys are named by their X keysym names ("Control_L", "m").
class XClient {
public:
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    /// Presses the keys in order and releases them in reverse order.
    void press(std::initializer_list<const char*> keys);
    void click(int x, int y);
    /// Holds the combination of `key` with Control and Alt (as a desktop shortcut would).
    void grabWithControlAlt(const char* key);

private:
    unsigned keycode(const char* key) const;
    void* m_display;
};

} // namespace quietlane::testing
