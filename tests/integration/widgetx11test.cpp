// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a private X desktop: the widget's window-manager state, a drag with
// real pointer events, a click that mutes, the indicator, a second launch and SIGTERM.
#include "xsession.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kScreenHeight = 800; // the XSession's screen is 1280 × 800

std::string g_display;

using quietlane::testing::waitUntil;

std::string run(const std::string& command) {
    return quietlane::testing::runOnDisplay(g_display, command);
}

using Geometry = quietlane::testing::WindowGeometry;

Geometry windowGeometry(const std::string& id) {
    return quietlane::testing::windowGeometry(g_display, id);
}

std::string findWindow(const std::string& name) {
    std::vector<std::string> ids;
    waitUntil([&] {
        ids = quietlane::testing::searchWindows(g_display, "--onlyvisible --name '^" + name + "$'");
        return !ids.empty();
    });
    return ids.empty() ? std::string() : ids.front();
}

QImage grab(const Geometry& g) {
    return QGuiApplication::primaryScreen()->grabWindow(0, g.x, g.y, g.width, g.height).toImage();
}

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

TEST(WidgetOnX11, StaysAboveStickyUnfocusedDragsClicksAndQuitsCleanly) {
    quietlane::testing::XSession session;
    std::string error;
    ASSERT_TRUE(session.start(error)) << error;
    g_display = session.display();
    setenv("DISPLAY", g_display.c_str(), 1);
    int argc = 1;
    char name[] = "quietlane_widget_integration_tests";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication grabber(argc, argv);

    char pattern[] = "/tmp/quietlane-widget-XXXXXX";
    const fs::path home = mkdtemp(pattern);
    const fs::path devices = home / "devices.json";
    std::ofstream(devices)
        << R"({"default": "usb-mic", "devices": [{"uid": "usb-mic", "name": "USB Mic", "mute": false}]})";

    auto launch = [&] {
        quietlane::testing::execSimulatedQuietlane(QUIETLANE_BINARY, home, devices);
    };
    quietlane::testing::ChildProcess app(launch);
    const std::string widget = findWindow("Quietlane");
    ASSERT_FALSE(widget.empty()) << "the widget window did not appear";

    // Window-manager state: above, on every desktop, out of the task bar, never focused.
    const std::string state =
        run("xprop -id " + widget + " _NET_WM_STATE _NET_WM_DESKTOP WM_HINTS");
    EXPECT_NE(state.find("_NET_WM_STATE_ABOVE"), std::string::npos) << state;
    EXPECT_NE(state.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << state;
    // Openbox keeps "on every desktop" as desktop 0xFFFFFFFF rather than the sticky state.
    EXPECT_NE(state.find("_NET_WM_DESKTOP(CARDINAL) = 4294967295"), std::string::npos) << state;
    run("xdotool set_desktop 1");
    EXPECT_EQ(run("xdotool get_desktop"), "1\n");
    EXPECT_TRUE(windowGeometry(widget).viewable) << "the widget left with the old desktop";
    run("xdotool set_desktop 0");
    EXPECT_NE(state.find("accepts input or input focus: False"), std::string::npos) << state;

    // First launch: near the lower right corner, 40 from the right, 120 above the bottom.
    Geometry g = windowGeometry(widget);
    EXPECT_EQ(g.width, 64);
    EXPECT_EQ(g.x, 1280 - 64 - 40);
    EXPECT_EQ(g.y, kScreenHeight - 120 - 64);
    std::this_thread::sleep_for(300ms);
    grab(g).save(QStringLiteral(SCREENSHOT_DIR "/widget-live.png"));
    EXPECT_FALSE(ringLooksRed(grab(g)));

    // A real drag: press, move well past the threshold, release.
    run("xdotool mousemove " + std::to_string(g.x + 32) + " " + std::to_string(g.y + 32) +
        " mousedown 1 mousemove_relative -- -40 -30 sleep 0.1 mousemove_relative -- -160 -100"
        " sleep 0.1 mouseup 1");
    // The two coordinates may reach the file in two writes.
    ASSERT_TRUE(waitUntil([&] {
        const nlohmann::json stored = preferences(home);
        return stored.contains("widgetOriginX") && stored.contains("widgetOriginY");
    }));
    g = windowGeometry(widget);
    EXPECT_EQ(g.x, 1280 - 104 - 200);
    EXPECT_EQ(g.y, kScreenHeight - 184 - 130);
    const nlohmann::json stored = preferences(home);
    EXPECT_EQ(stored["widgetOriginX"], g.x);
    EXPECT_EQ(stored["widgetOriginY"], kScreenHeight - g.y - 64);

    // Past the start-up grace, a click mutes the device and the indicator flashes.
    std::this_thread::sleep_for(1200ms);
    run("xdotool mousemove " + std::to_string(g.x + 32) + " " + std::to_string(g.y + 32) +
        " click 1");
    EXPECT_TRUE(waitUntil([&] { return ringLooksRed(grab(windowGeometry(widget))); }))
        << "the widget did not turn to the muted look";
    const std::string hud = findWindow("Quietlane HUD");
    ASSERT_FALSE(hud.empty()) << "the indicator did not appear";
    const Geometry hudGeometry = windowGeometry(hud);
    EXPECT_EQ(hudGeometry.x, (1280 - 160) / 2);
    grab(hudGeometry).save(QStringLiteral(SCREENSHOT_DIR "/hud-muted.png"));
    grab(windowGeometry(widget)).save(QStringLiteral(SCREENSHOT_DIR "/widget-muted.png"));
    EXPECT_TRUE(waitUntil([&] { return !windowGeometry(hud).viewable; }, 3s))
        << "the indicator stayed on screen";
    // The click went to the widget without taking the focus.
    EXPECT_EQ(run("xdotool getactivewindow").find(widget), std::string::npos);

    // A second launch hands over to the running one, which opens its settings.
    quietlane::testing::ChildProcess second(launch);
    EXPECT_EQ(second.wait(), 0);
    EXPECT_EQ(kill(app.pid(), 0), 0) << "the first instance is gone";
    EXPECT_FALSE(findWindow("Настройки Quietlane").empty()) << "no settings window";

    EXPECT_EQ(app.stop(SIGTERM), 0);
    fs::remove_all(home);
}
