// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a private X desktop: the widget's window-manager state, a drag with
// real pointer events, a click that mutes, the indicator, a second launch that opens the
// settings window, and SIGTERM.
#include "screentest.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

using namespace std::chrono_literals;
using quietlane::testing::waitUntil;
using Geometry = quietlane::testing::WindowGeometry;
using WidgetOnX11 = quietlane::testing::ScreenTest;
namespace fs = std::filesystem;

namespace {

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
    run("xdotool set_desktop 1");
    EXPECT_EQ(run("xdotool get_desktop"), "1\n");
    EXPECT_TRUE(geometry(widget).viewable) << "the widget left with the old desktop";
    run("xdotool set_desktop 0");
    EXPECT_NE(state.find("accepts input or input focus: False"), std::string::npos) << state;

    Geometry g = geometry(widget);
    EXPECT_FALSE(ringLooksRed(stillImage([&] { return g; })));

    // A real drag: press, move well past the threshold, release.
    run("xdotool mousemove " + std::to_string(g.x + 32) + " " + std::to_string(g.y + 32) +
        " mousedown 1 mousemove_relative -- -40 -30 mousemove_relative -- -160 -100 mouseup 1");
    // The two coordinates may reach the file in two writes.
    ASSERT_TRUE(waitUntil([&] {
        const nlohmann::json stored = preferences(home.path);
        return stored.contains("widgetOriginX") && stored.contains("widgetOriginY");
    }));
    const Geometry dragged = geometry(widget);
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
    const std::string hud = findWindow("Quietlane HUD");
    ASSERT_FALSE(hud.empty()) << "the indicator did not appear";
    EXPECT_TRUE(waitUntil([&] { return !geometry(hud).viewable; }, 3s))
        << "the indicator stayed on screen";
    // The click went to the widget without taking the focus.
    EXPECT_EQ(run("xdotool getactivewindow").find(widget), std::string::npos);

    // A second launch hands over to the running one, which opens its settings.
    EXPECT_EQ(launch()->wait(), 0);
    EXPECT_EQ(kill(app->pid(), 0), 0) << "the first instance is gone";
    EXPECT_FALSE(findWindow("Настройки Quietlane").empty()) << "no settings window";

    EXPECT_EQ(app->stop(SIGTERM), 0);
}
