// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyroute.h"
#include "shortcuts/portaltrigger.h"

#include <gtest/gtest.h>

using namespace quietlane::GlobalShortcuts;

TEST(PortalTriggerTest, StoredShortcutsBecomeKeysymTriggersAndDescriptionsReadInLinuxNotation) {
    EXPECT_EQ(portalTrigger(Shortcut(Key::m, Modifier::control | Modifier::alt | Modifier::super)),
              "CTRL+ALT+LOGO+m");
    EXPECT_EQ(portalTrigger(Shortcut(Key::slash, Modifier::control)), "CTRL+slash");
    // The portal notation has no Function modifier, and a code without a key is no trigger.
    EXPECT_EQ(portalTrigger(Shortcut(Key::m, Modifier::fn)), std::nullopt);
    EXPECT_EQ(portalTrigger(Shortcut(Key::shift, Modifier::control)), std::nullopt);
    // The desktops' own descriptions read in Linux notation; the ids stay stable.
    EXPECT_EQ(readableTrigger("Press <Control><Alt><Super>m"), "Ctrl+Alt+Super+M");
    EXPECT_EQ(readableTrigger("<Primary>space"), "Ctrl+Space");
    EXPECT_EQ(readableTrigger("Meta+Ctrl+Alt+M"), "Meta+Ctrl+Alt+M");
    EXPECT_EQ(readableTrigger(""), std::nullopt); // Hyprland
    EXPECT_EQ(portalShortcutId("toggleMute"), "toggle-mute");
    EXPECT_EQ(portalShortcutId("pushToMute"), "push-to-mute");
}

TEST(HotkeyRouteTest, WaylandAndKdeAreReadFromTheEnvironment) {
    EXPECT_TRUE(sessionFacts("wayland-0", nullptr, nullptr).wayland);
    EXPECT_TRUE(sessionFacts("", "wayland", nullptr).wayland);
    EXPECT_TRUE(sessionFacts(nullptr, nullptr, "ubuntu:KDE").kde);
    EXPECT_FALSE(sessionFacts(nullptr, nullptr, "KDEX:GNOME").kde);
    EXPECT_TRUE(sessionFacts(nullptr, nullptr, "ubuntu:GNOME").gnome);
    // The XWayland fallback names what to do instead, per desktop.
    EXPECT_NE(routeLogLine(HotkeyRoute::xwaylandGrab, {true, true}).find("Legacy X11 App Support"),
              std::string::npos);
    EXPECT_NE(routeLogLine(HotkeyRoute::xwaylandGrab, {true, false}).find("command line"),
              std::string::npos);
}
