// SPDX-License-Identifier: GPL-3.0-or-later
// The real program with a real tray host (trayer) on a private X desktop: the icon is
// embedded, a click opens the dropdown fully on screen next to it, the mute button works,
// a second click closes it without reopening, and its keys work.
#include "screentest.h"

#include <chrono>
#include <filesystem>

using namespace std::chrono_literals;
using quietlane::testing::waitUntil;
using Geometry = quietlane::testing::WindowGeometry;
using TrayOnX11 = quietlane::testing::ScreenTest;
namespace fs = std::filesystem;

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;
constexpr int kPanelHeight = 24;

// The state dot sits at the header's right end: red when muted, green when not.
bool dotIsRed(const QImage& card) {
    const QColor dot = card.pixelColor(300 - 16 - 5, 6 + 32);
    return dot.red() > 200 && dot.green() < 120;
}
bool dotIsGreen(const QImage& card) {
    const QColor dot = card.pixelColor(300 - 16 - 5, 6 + 32);
    return dot.green() > 160 && dot.red() < 120;
}

} // namespace

TEST_F(TrayOnX11, DropdownOpensFullyVisibleNextToTheIcon) {
    const std::string edge = qEnvironmentVariable("QUIETLANE_TEST_TRAY_EDGE", "top").toStdString();
    quietlane::testing::ChildProcess tray(
        {"trayer", "--edge", edge, "--align", "right", "--width", "10", "--height", "24"});
    Geometry panel;
    ASSERT_TRUE(waitUntil([&] {
        for (const auto& id : search("--class trayer")) {
            const Geometry g = geometry(id);
            if (g.viewable && g.height == kPanelHeight)
                panel = g;
        }
        return panel.viewable;
    })) << "trayer did not show its panel";

    fs::create_directories(home.path / "run");
    fs::permissions(home.path / "run", fs::perms::owner_all);
    const auto app = launch();

    // The icon is our window embedded in the tray host's panel.
    Geometry icon;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const auto& id : search("--class quietlane")) {
                const Geometry g = geometry(id);
                if (g.viewable && g.x >= panel.x && g.right() <= panel.right() && g.y >= panel.y &&
                    g.bottom() <= panel.bottom())
                    icon = g;
            }
            return icon.viewable;
        },
        10s))
        << "the tray icon was not embedded";

    auto dropdown = [&] {
        for (const auto& id : search("--onlyvisible --name '^Quietlane dropdown$'"))
            return geometry(id);
        return Geometry{};
    };
    const auto clickIcon = [&] {
        click(icon.x + icon.width / 2, icon.y + icon.height / 2);
    };
    // A click within a moment of the last closing is taken for the closing one and ignored,
    // so the icon is clicked until the dropdown is there.
    const auto open = [&] {
        return waitUntil([&] {
            clickIcon();
            return waitUntil([&] { return dropdown().viewable; }, 500ms);
        });
    };
    ASSERT_TRUE(open()) << "the dropdown did not open";
    Geometry card;
    // Placed once it has its final place, which the window manager may give it late.
    EXPECT_TRUE(waitUntil([&] {
        card = dropdown();
        return card.width == 300 &&
               (edge == "top" ? card.y == icon.bottom() + 6 : card.bottom() == icon.y - 6);
    })) << card.x
        << "," << card.y << " " << card.width << "x" << card.height;
    EXPECT_GE(card.x, 8);
    EXPECT_LE(card.right(), kScreenWidth - 8);
    EXPECT_EQ(card.right(), std::min(icon.right(), kScreenWidth - 8));
    EXPECT_LE(card.bottom(), kScreenHeight);
    EXPECT_GE(card.y, 0);
    EXPECT_TRUE(dotIsGreen(stillImage(dropdown)));

    // The mute button; the open card redraws with the new state and stays open when the
    // indicator shows.
    EXPECT_TRUE(clickUntilMutedWithIndicator(card.x + 150, card.y + 6 + 64 + 4 + 20, [&] {
        return dotIsRed(grab(dropdown()));
    })) << "the card did not turn muted with the indicator shown";
    // A second click on the icon closes the dropdown and does not reopen it: by the time
    // the program answers a later request, it has handled the whole click.
    clickIcon();
    EXPECT_TRUE(waitUntil([&] { return !dropdown().viewable; })) << "the dropdown stayed open";
    EXPECT_EQ(ask("--status"), "muted\n");
    EXPECT_FALSE(dropdown().viewable) << "the closing click reopened the dropdown";
    EXPECT_TRUE(open()) << "a later click did not reopen it";
    run("xdotool key Escape");
    EXPECT_TRUE(waitUntil([&] { return !dropdown().viewable; })) << "Escape did not close it";

    // Ctrl+, opens the settings window; Ctrl+W closes it.
    auto settings = [&] {
        for (const auto& id :
             search("--onlyvisible --name '^(Настройки Quietlane|Quietlane Settings)$'"))
            return geometry(id);
        return Geometry{};
    };
    ASSERT_TRUE(open());
    run("xdotool key ctrl+comma");
    ASSERT_TRUE(waitUntil([&] { return settings().viewable; })) << "Ctrl+, opened no settings";
    EXPECT_FALSE(dropdown().viewable);
    run("xdotool key ctrl+w");
    EXPECT_TRUE(waitUntil([&] { return !settings().viewable; })) << "Ctrl+W did not close it";

    // Ctrl+Q in the dropdown quits the program.
    ASSERT_TRUE(open());
    run("xdotool key ctrl+q");
    EXPECT_EQ(app->wait(), 0) << "Ctrl+Q did not quit";
}
