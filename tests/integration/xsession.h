// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "childprocess.h"

#include <string>
#include <sys/types.h>

namespace quietlane::testing {

/// A private X server (Xvfb on a free display) with openbox managing it, so that windows
/// get focus and decorations as on a desktop. Nothing of the user's session is touched.
class XSession {
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    /// Starts both and waits until the window manager runs; false with a reason in
    /// `error` when either cannot start.
    bool start(std::string& error);
    const std::string& display() const { return m_display; }

private:
    /// Starts Xvfb on the first display number it can lock; false if none.
    bool startServer();

    std::string m_directory;
    std::string m_display;
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
};

/// Runs a shell command with DISPLAY set to `display`; its standard output.
std::string runOnDisplay(const std::string& display, const std::string& command);

} // namespace quietlane::testing
