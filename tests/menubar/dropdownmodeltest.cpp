// SPDX-License-Identifier: GPL-3.0-or-later
#include "menubar/dropdownmodel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quietlane {
namespace {

AudioInputDevice device(std::string uid, std::string name) {
    AudioInputDevice d;
    d.uid = std::move(uid);
    d.name = std::move(name);
    return d;
}

TEST(DropdownModel, PartsFollowExpansionAndDonate) {
    DropdownModel model;
    using P = DropdownPart;
    EXPECT_EQ(dropdownParts(model, false),
              (std::vector<P>{P::header, P::muteButton, P::divider, P::widgetRow, P::deviceRow,
                              P::modeRow, P::divider, P::loginRow, P::settingsRow, P::donateRow,
                              P::divider, P::quitRow}));
    model.showDonate = false;
    const auto parts = dropdownParts(model, true);
    EXPECT_EQ(parts[5], P::deviceList);
    // Without the donate row the last divider follows the settings row directly.
    auto settings = std::find(parts.begin(), parts.end(), P::settingsRow);
    ASSERT_NE(settings, parts.end());
    EXPECT_EQ(*(settings + 1), P::divider);
}

TEST(DropdownModel, DeviceOptionIdsNeverCollideWithFixedOnes) {
    DropdownModel model;
    // Devices whose UIDs look like the fixed choices' ids.
    model.availableDevices = {device("fixed:systemDefault", "A"), device("fixed:allInputs", "B"),
                              device("default", "C"), device("all", "D")};
    model.selection = DeviceSelection::pinned("fixed:allInputs");
    const auto options = deviceChoices(model.selection, model.availableDevices);
    ASSERT_EQ(options.size(), 6u);
    for (size_t i = 0; i < options.size(); ++i) {
        for (size_t j = i + 1; j < options.size(); ++j)
            EXPECT_NE(options[i].id, options[j].id);
    }
    EXPECT_FALSE(options[1].selected); // the all-inputs choice is not the pinned device
    EXPECT_TRUE(options[3].selected);
    EXPECT_EQ(options[3].selection, DeviceSelection::pinned("fixed:allInputs"));
}

TEST(DropdownModel, CheckMarksFollowTheSelection) {
    DropdownModel model;
    EXPECT_EQ(deviceChoices(model.selection, model.availableDevices).size(), 2u);
    EXPECT_TRUE(deviceChoices(model.selection, model.availableDevices)[0].selected);

    model.availableDevices = {device("usb", "USB"), device("built-in", "Built-in")};
    model.selection = DeviceSelection::pinned("gone");
    for (const auto& option : deviceChoices(model.selection, model.availableDevices))
        EXPECT_FALSE(option.selected) << option.id;

    model.selection = DeviceSelection::allInputs();
    const auto options = deviceChoices(model.selection, model.availableDevices);
    EXPECT_EQ(std::count_if(options.begin(), options.end(), [](auto& o) { return o.selected; }), 1);
    EXPECT_TRUE(options[1].selected);
}

TEST(DropdownModel, DeviceTextsWithoutAnActiveDevice) {
    EXPECT_EQ(headerDeviceName(std::nullopt), "Нет устройства");
    EXPECT_EQ(headerDeviceName(std::string("USB")), "USB");
    EXPECT_EQ(deviceRowValue(DeviceSelection::systemDefault(), std::nullopt), "—");
    EXPECT_EQ(deviceRowValue(DeviceSelection::pinned("x"), std::string("USB")), "USB");
    EXPECT_EQ(deviceRowValue(DeviceSelection::allInputs(), std::string("USB")), "Все");
    EXPECT_EQ(deviceRowValue(DeviceSelection::allInputs(), std::nullopt), "Все");
}

TEST(DropdownModel, RowsRunTheirOwnActions) {
    std::vector<std::string> calls;
    const auto record = [&](std::string name) {
        return [&calls, name] {
            calls.push_back(name);
        };
    };
    DropdownActions actions;
    actions.toggleWidget = record("widget");
    actions.toggleLogin = record("login");
    actions.openMode = record("mode");
    actions.openSettings = record("settings");
    actions.quit = record("quit");
    DropdownModel model;
    model.loginEnabled = true;
    for (auto part : {DropdownPart::widgetRow, DropdownPart::loginRow, DropdownPart::modeRow,
                      DropdownPart::settingsRow, DropdownPart::quitRow})
        dropdownRow(part, model, actions).action();
    EXPECT_EQ(calls, (std::vector<std::string>{"widget", "login", "mode", "settings", "quit"}));
    EXPECT_TRUE(dropdownRow(DropdownPart::loginRow, model, actions).toggleOn);
    // Missing actions are harmless.
    dropdownRow(DropdownPart::quitRow, model, DropdownActions{}).action();
}

} // namespace
} // namespace quietlane
