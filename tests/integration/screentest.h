// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "xsession.h"

#include "../tempdir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quietlane::testing {

/// Where a window is on the screen, as xwininfo reports it.
struct WindowGeometry {
    int x = -1, y = -1, width = 0, height = 0;
    bool viewable = false;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
};

/// The real program on a private X desktop (1280 × 800) with the simulated sound server
/// offering one live "USB Mic", and this process connected to that desktop to see it.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_session.start(error)) << error;
        setenv("DISPLAY", display().c_str(), 1);
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_screen = std::make_unique<QGuiApplication>(m_argc, m_argv);
        std::ofstream(m_devices) << R"({"default": "usb-mic", "devices": )"
                                 << R"([{"uid": "usb-mic", "name": "USB Mic", "mute": false}]})";
    }

    const std::string& display() const { return m_session.display(); }
    std::string run(const std::string& command) const { return runOnDisplay(display(), command); }
    WindowGeometry geometry(const std::string& id) const {
        WindowGeometry g;
        std::istringstream lines(run("xwininfo -id " + id));
        for (std::string line; std::getline(lines, line);) {
            for (auto [key, out] : {std::pair{"Absolute upper-left X:", &g.x},
                                    {"Absolute upper-left Y:", &g.y},
                                    {"Width:", &g.width},
                                    {"Height:", &g.height}}) {
                if (const auto at = line.find(key); at != std::string::npos)
                    *out = std::stoi(line.substr(at + std::strlen(key)));
            }
            g.viewable = g.viewable || line.find("Map State: IsViewable") != std::string::npos;
        }
        return g;
    }
    /// The ids of the windows that `xdotool search <arguments>` finds.
    std::vector<std::string> search(const std::string& arguments) const {
        std::vector<std::string> ids;
        std::istringstream lines(run("xdotool search " + arguments));
        for (std::string id; std::getline(lines, id);)
            ids.push_back(id);
        return ids;
    }
    QImage grab(const WindowGeometry& g) const {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, g.x, g.y, g.width, g.height)
            .toImage();
    }
    void click(int x, int y) const {
        run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }
    /// The window's picture once two grabs in a row agree: animations have ended.
    QImage stillImage(const std::function<WindowGeometry()>& where) const {
        QImage last;
        waitUntil([&] {
            QImage now = grab(where());
            return std::exchange(last, now) == now;
        });
        return last;
    }
    bool indicatorShown() const {
        return !search("--onlyvisible --name '^Quietlane HUD$'").empty();
    }
    /// Clicks at (x, y), each click flipping `muted`, until one mutes with the indicator on
    /// screen: within the start-up grace a change shows none.
    bool clickUntilMutedWithIndicator(int x, int y, const std::function<bool()>& muted) const {
        using namespace std::chrono_literals;
        return waitUntil(
            [&] {
                const bool was = muted();
                click(x, y);
                return waitUntil([&] { return muted() != was; }) && !was &&
                       waitUntil([&] { return indicatorShown(); }, 400ms);
            },
            15s);
    }
    /// The running program's answer to `quietlane <arguments>`.
    std::string ask(const std::string& arguments) const {
        return runCommand("XDG_RUNTIME_DIR=" + (home.path / "run").string() + " " +
                          QUIETLANE_BINARY + " " + arguments + " 2>/dev/null");
    }
    /// The program on the simulated sound server, with `home` below as its home and its
    /// config/ and run/ as its XDG folders.
    std::unique_ptr<ChildProcess> launch() const {
        return std::make_unique<ChildProcess>([this] {
            setenv("HOME", home.path.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home.path / "config").c_str(), 1);
            setenv("XDG_RUNTIME_DIR", (home.path / "run").c_str(), 1);
            setenv("QUIETLANE_SIM_DEVICES", m_devices.c_str(), 1);
            setenv("LANG", "C.UTF-8", 1);
            unsetenv("QT_QPA_PLATFORM");
            execl(QUIETLANE_BINARY, "quietlane", "--audio-backend=sim",
                  static_cast<char*>(nullptr));
        });
    }

    test::TempDir home;

private:
    XSession m_session;
    int m_argc = 1;
    char m_name[12] = "screen_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_screen;
    std::filesystem::path m_devices = home.path / "devices.json";
};

} // namespace quietlane::testing
