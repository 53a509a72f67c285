// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingscontent.h"
#include "controls/controlpalette.h"
#include "controls/disclosurebutton.h"
#include "controls/figmatoggle.h"
#include "controls/optionlist.h"
#include "controls/rowbutton.h"
#include "controls/selectoptionbutton.h"
#include "settings/inlineselectrow.h"
#include "settings/settingsrows.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <gtest/gtest.h>

using namespace quietlane;

namespace {

struct Recorded {
    std::vector<std::string> calls;
    std::function<void(bool)> onOff(std::string what) {
        return [this, what](bool on) {
            calls.push_back(what + (on ? " on" : " off"));
        };
    }
    SettingsActions actions() {
        SettingsActions a;
        a.setLogin = onOff("login");
        a.setShowHUD = onOff("hud");
        a.setWidgetVisible = onOff("widget");
        a.openLoginSettings = [this] {
            calls.push_back("open login settings");
        };
        a.selectDevice = [this](const DeviceSelection& s) {
            calls.push_back("device " + s.encode());
        };
        a.setTheme = [this](Theme t) {
            calls.push_back(std::string("theme ") + AppearanceSettings::rawValue(t));
        };
        a.setMode = [this](HotkeyMode m) {
            calls.push_back(std::string("mode ") + rawValue(m));
        };
        return a;
    }
};

bool shown(QWidget* widget, QWidget* root) {
    return widget->isVisibleTo(root);
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents();
}

} // namespace

TEST(SettingsContent, MicrophoneSectionShowsOnlyTheRowsTheStateCallsFor) {
    SettingsModel model = sampleSettingsModel(SettingsTab::mic);
    model.availableDevices = {{7, "usb-7", "USB Mic", false, true}};
    SettingsContent content(model, {}, new QWidget, CardBackground::solid);

    EXPECT_EQ(content.microphoneSelector()->header()->valueText(), "По умолчанию");
    EXPECT_TRUE(shown(content.activeDeviceRow(), &content));
    EXPECT_EQ(content.activeDeviceRow()->value(), "MacBook Pro");
    EXPECT_FALSE(shown(content.fallbackNote(), &content));
    EXPECT_EQ(content.stateRow()->value(), "Активен");
    EXPECT_EQ(content.stateRow()->valueColor(), ControlPalette::green());
    // Default, all, then the device; only the system default is ticked.
    const auto& options = content.microphoneSelector()->list()->options();
    ASSERT_EQ(options.size(), 3u);
    EXPECT_TRUE(options[0].selected);
    EXPECT_EQ(options[2].title, "USB Mic");

    // Pinned to a device that is gone: a dash, no active-device row, muted by volume.
    model.selection = DeviceSelection::pinned("gone");
    model.activeDeviceName.reset();
    model.isMuted = true;
    model.usingVolumeFallback = true;
    content.setModel(model);
    EXPECT_EQ(content.microphoneSelector()->header()->valueText(), "—");
    EXPECT_FALSE(shown(content.activeDeviceRow(), &content));
    EXPECT_TRUE(shown(content.fallbackNote(), &content));
    EXPECT_EQ(content.stateRow()->value(), "Выключен");
    EXPECT_EQ(content.stateRow()->valueColor(), ControlPalette::red());
    for (const ListOption& option : content.microphoneSelector()->list()->options())
        EXPECT_FALSE(option.selected) << option.id;
}

TEST(SettingsContent, RowsAskForTheOppositeValueAndChoicesCollapseTheirList) {
    Recorded recorded;
    SettingsModel model = sampleSettingsModel(SettingsTab::mic);
    SettingsContent content(model, recorded.actions(), new QWidget, CardBackground::solid);

    content.loginRow()->click();
    content.hudRow()->click();
    content.widgetRow()->click();
    // The switches show the model, not the click: nothing changed until a new model comes.
    EXPECT_TRUE(content.loginRow()->toggle()->isOn());

    EXPECT_FALSE(shown(content.approvalRow(), &content));
    model.loginRequiresApproval = true;
    content.setModel(model);
    EXPECT_TRUE(shown(content.approvalRow(), &content));
    content.approvalRow()->click();

    // Choosing the theme already chosen still reports it, and closes the list.
    content.themeSelector()->setExpanded(true);
    content.themeSelector()->list()->button(0)->click();
    EXPECT_FALSE(content.themeSelector()->isExpanded());
    content.modeSelector()->list()->button(1)->click();
    content.microphoneSelector()->list()->button(1)->click();

    EXPECT_EQ(recorded.calls,
              (std::vector<std::string>{"login off", "hud off", "widget off", "open login settings",
                                        "theme auto", "mode pushToTalk",
                                        "device " + DeviceSelection::allInputs().encode()}));
}

TEST(SettingsContent, TabsKeepTheirPlaceAcrossModelsAndSetTheHeight) {
    SettingsModel model = sampleSettingsModel(SettingsTab::mic);
    SettingsContent content(model, {}, new QWidget, CardBackground::solid);
    content.show();
    settle();
    const int micHeight = content.height();
    EXPECT_EQ(content.width(), 460);

    content.setTab(SettingsTab::hotkey);
    settle();
    EXPECT_LT(content.height(), micHeight);
    EXPECT_FALSE(content.page(SettingsTab::mic)->isVisible());

    // A fresh model (the restart note appears) neither resets the tab nor the open list.
    content.modeSelector()->setExpanded(true);
    model.languageChangePending = true;
    model.isMuted = true;
    content.setModel(model);
    EXPECT_EQ(content.tab(), SettingsTab::hotkey);
    EXPECT_TRUE(content.modeSelector()->isExpanded());
    EXPECT_FALSE(content.restartNote()->isHidden()); // on the page not shown now

    content.setTab(SettingsTab::mic);
    settle();
    EXPECT_GT(content.height(), micHeight); // the restart note takes room
}

TEST(SettingsContent, ShortcutTabSaysWhereTheShortcutFallsShortAndWhatToDo) {
    SettingsModel model = sampleSettingsModel(SettingsTab::hotkey);
    SettingsContent content(model, {}, new QWidget, CardBackground::glass);
    QWidget* page = content.page(SettingsTab::hotkey);
    EXPECT_FALSE(shown(content.shortcutReachNote(), page));

    model.shortcutReach = ShortcutReach::x11WindowsOnly;
    content.setModel(model);
    ASSERT_TRUE(shown(content.shortcutReachNote(), page));
    EXPECT_TRUE(content.shortcutReachNote()->text().contains("--push-to-talk-press"));

    model.shortcutReach = ShortcutReach::x11WindowsOnlyKde;
    content.setModel(model);
    EXPECT_TRUE(content.shortcutReachNote()->text().contains("Legacy X11 App Support"));

    model.shortcutReach = ShortcutReach::hyprlandConfig;
    content.setModel(model);
    EXPECT_TRUE(content.shortcutReachNote()->text().contains(
        "bind = SUPER, M, global, com.quietlane.Quietlane:toggle-mute"));

    model.shortcutReach = ShortcutReach::everywhere;
    content.setModel(model);
    EXPECT_FALSE(shown(content.shortcutReachNote(), page));
}

TEST(SettingsContent, TheDesktopsOwnShortcutDialogOpensFromTheTabWhereItHasOne) {
    SettingsModel model = sampleSettingsModel(SettingsTab::hotkey);
    int opened = 0;
    SettingsActions actions;
    actions.configureShortcut = [&] {
        ++opened;
    };
    SettingsContent content(model, actions, new QWidget, CardBackground::glass);
    QWidget* page = content.page(SettingsTab::hotkey);
    QAbstractButton* button = nullptr;
    for (auto* candidate : content.findChildren<QAbstractButton*>()) {
        if (candidate->accessibleName() == "Изменить клавишу в окне рабочего стола")
            button = candidate;
    }
    ASSERT_TRUE(button);
    EXPECT_FALSE(shown(button, page));

    model.shortcutReach = ShortcutReach::desktopConfigures;
    content.setModel(model);
    ASSERT_TRUE(shown(button, page));
    button->click();
    EXPECT_EQ(opened, 1);
}
