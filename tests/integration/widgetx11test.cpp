// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a private X desktop: the widget's window-manager state, a drag with
// real pointer events, a click that mutes with the indicator shown, and SIGTERM.
#include "xsession.h"

#include "../tempdir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using namespace quietlane::testing;
namespace fs = std::filesystem;

namespace {

/// Where a window is on the screen, as xwininfo reports it.
struct WindowGeometry {
    int x = -1, y = -1, width = 0, height = 0;
    bool viewable = false;
};

/// The real program on a private X desktop (1280 × 800) with the simulated sound server
/// offering one live "USB Mic", and this process connected to that desktop to see it.
class WidgetOnX11 : public ::testing::Test {
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
    bool indicatorShown() const {
        return !search("--onlyvisible --name '^Quietlane HUD$'").empty();
    }
    /// Clicks at (x, y), each click flipping `muted`, until one mutes with the indicator on
    /// screen: within the start-up grace a change shows none.
    bool clickUntilMutedWithIndicator(int x, int y, const std::function<bool()>& muted) const {
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

    quietlane::test::TempDir home;

private:
    XSession m_session;
    int m_argc = 1;
    char m_name[12] = "screen_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_screen;
    std::filesystem::path m_devices = home.path / "devices.json";
};

constexpr int kScreenHeight = 800; // the XSession's screen is 1280 × 800

bool ringLooksRed(const QImage& widget) {
    // A pixel on the ring, just inside the disc's top edge.
    const QColor ring = widget.pixelColor(32, 1);
    return ring.red() > ring.green() + 40;
}

nlohmann::json preferences(const fs::path& home) {
    std::ifstream in(home / "config/quietlane/preferences.json");
    return nlohmann::json::parse(in, nullptr, false);
}

} // namespace

TEST_F(WidgetOnX11, StaysAboveStickyUnfocusedDragsClicksAndQuitsCleanly) {
    const auto findWindow = [&](const std::string& name) {
        std::vector<std::string> ids;
        waitUntil([&] { return !(ids = search("--onlyvisible --name '^" + name + "$'")).empty(); });
        return ids.empty() ? std::string() : ids.front();
    };
    const auto app = launch();
    const std::string widget = findWindow("Quietlane");
    ASSERT_FALSE(widget.empty()) << "the widget window did not appear";

    // Window-manager state: above, on every desktop, out of the task bar, never focused.
    const std::string state =
        run("xprop -id " + widget + " _NET_WM_STATE _NET_WM_DESKTOP WM_HINTS");
    EXPECT_NE(state.find("_NET_WM_STATE_ABOVE"), std::string::npos) << state;
    EXPECT_NE(state.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << state;
    // Openbox keeps "on every desktop" as desktop 0xFFFFFFFF rather than the sticky state.
    EXPECT_NE(state.find("_NET_WM_DESKTOP(CARDINAL) = 4294967295"), std::string::npos) << state;
    EXPECT_NE(state.find("accepts input or input focus: False"), std::string::npos) << state;

    WindowGeometry g = geometry(widget);

    // A real drag: press, move well past the threshold, release.
    run("xdotool mousemove " + std::to_string(g.x + 32) + " " + std::to_string(g.y + 32) +
        " mousedown 1 mousemove_relative -- -40 -30 mousemove_relative -- -160 -100 mouseup 1");
    // The two coordinates may reach the file in two writes.
    ASSERT_TRUE(waitUntil([&] {
        const nlohmann::json stored = preferences(home.path);
        return stored.contains("widgetOriginX") && stored.contains("widgetOriginY");
    }));
    const WindowGeometry dragged = geometry(widget);
    EXPECT_EQ(dragged.x, g.x - 200);
    EXPECT_EQ(dragged.y, g.y - 130);
    g = dragged;
    const nlohmann::json stored = preferences(home.path);
    EXPECT_EQ(stored["widgetOriginX"], g.x);
    EXPECT_EQ(stored["widgetOriginY"], kScreenHeight - g.y - 64);

    // A click mutes the device, the widget turns to the muted look and, once past the
    // start-up grace, the indicator flashes.
    ASSERT_TRUE(clickUntilMutedWithIndicator(g.x + 32, g.y + 32, [&] {
        return ringLooksRed(grab(geometry(widget)));
    })) << "no click turned the widget muted with the indicator shown";
    EXPECT_EQ(ask("--status"), "muted\n");
    // The click went to the widget without taking the focus.
    EXPECT_EQ(run("xdotool getactivewindow").find(widget), std::string::npos);

    EXPECT_EQ(app->stop(SIGTERM), 0);
}
