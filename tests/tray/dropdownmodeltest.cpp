// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdownmodel.h"
#include "audio/devicechoices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace quietlane {
namespace {

AudioInputDevice device(std::string uid, std::string name) {
    AudioInputDevice d;
    d.uid = std::move(uid);
    d.name = std::move(name);
    return d;
}

TEST(DropdownModel, DeviceOptionIdsNeverCollideWithFixedOnes) {
    // Devices whose UIDs look like the fixed choices' ids.
    const std::vector devices = {device("fixed:systemDefault", "A"), device("fixed:allInputs", "B"),
                                 device("default", "C"), device("all", "D")};
    const auto options = deviceChoices(DeviceSelection::pinned("fixed:allInputs"), devices);
    std::set<std::string> ids;
    for (const auto& option : options)
        EXPECT_TRUE(ids.insert(option.id).second) << option.id;
    ASSERT_EQ(ids.size(), 6u);
    EXPECT_FALSE(options[1].selected); // the all-inputs choice is not the pinned device
    EXPECT_TRUE(options[3].selected);
    EXPECT_EQ(options[3].selection, DeviceSelection::pinned("fixed:allInputs"));
}

TEST(DropdownModel, CheckMarksFollowTheSelection) {
    EXPECT_TRUE(deviceChoices(DeviceSelection::systemDefault(), {})[0].selected);
    const std::vector devices = {device("usb", "USB"), device("built-in", "Built-in")};
    for (const auto& option : deviceChoices(DeviceSelection::pinned("gone"), devices))
        EXPECT_FALSE(option.selected) << option.id;
    const auto options = deviceChoices(DeviceSelection::allInputs(), devices);
    EXPECT_EQ(std::count_if(options.begin(), options.end(), [](auto& o) { return o.selected; }), 1);
    EXPECT_TRUE(options[1].selected);
}

TEST(DropdownModel, RowsAskForTheirOwnAction) {
    DropdownModel model;
    std::vector<std::string> asked;
    const auto record = [&](auto signal, std::string name) {
        QObject::connect(&model, signal, [&asked, name] { asked.push_back(name); });
    };
    record(&DropdownModel::widgetToggleRequested, "widget");
    record(&DropdownModel::loginToggleRequested, "login");
    record(&DropdownModel::modeRequested, "mode");
    record(&DropdownModel::settingsRequested, "settings");
    record(&DropdownModel::quitRequested, "quit");
    using K = DropdownRowKind;
    for (K kind : {K::widget, K::device, K::login, K::mode, K::settings, K::quit})
        model.activate(kind);
    // The device row only expands the list in the view.
    EXPECT_EQ(asked, (std::vector<std::string>{"widget", "login", "mode", "settings", "quit"}));
}

} // namespace
} // namespace quietlane
