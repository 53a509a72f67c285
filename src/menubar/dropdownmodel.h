// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioinputdevice.h"
#include "audio/devicechoices.h"
#include "audio/deviceselection.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quietlane {

/// What the dropdown shows; filled from the live services, or by hand for a rendering.
struct DropdownModel {
    bool isAvailable = true;
    bool isMuted = false;
    std::string deviceName;
    std::string hotkey;
    std::string deviceValue;
    std::string modeTitle;
    bool widgetVisible = true;
    bool loginEnabled = false;
    bool showDonate = true;
    std::vector<AudioInputDevice> availableDevices;
    DeviceSelection selection;
    friend bool operator==(const DropdownModel&, const DropdownModel&) = default;
};

/// What each control of the dropdown does. Empty actions do nothing.
struct DropdownActions {
    std::function<void()> toggleMute;
    std::function<void()> toggleWidget;
    std::function<void()> toggleLogin;
    std::function<void()> openMode;
    std::function<void()> openSettings;
    std::function<void(const DeviceSelection&)> selectDevice;
    std::function<void()> donate;
    std::function<void()> quit;
};

/// The pieces of the card, top to bottom.
enum class DropdownPart {
    header,
    muteButton,
    divider,
    widgetRow,
    deviceRow,
    deviceList,
    modeRow,
    loginRow,
    settingsRow,
    donateRow,
    quitRow,
};

/// The card's pieces in order for this model; the device list only while it is expanded.
std::vector<DropdownPart> dropdownParts(const DropdownModel& model, bool deviceExpanded);

enum class RowTrailing { toggle, valueAndChevron, keyHint };

/// One of the generic rows (widget, device, mode, login, settings, quit).
struct DropdownRow {
    DropdownPart part;
    std::string label;
    RowTrailing trailing;
    std::string trailingText; // the value or the key hint
    bool toggleOn = false;
    std::function<void()> action; // the device row's action is left to the view (it expands)
};

/// The generic row for `part`, with its label, trailing content and action.
DropdownRow dropdownRow(DropdownPart part, const DropdownModel& model,
                        const DropdownActions& actions);

/// Header and mute-button texts for the state.
std::string stateTitle(bool isMuted);
std::string muteButtonTitle(bool isMuted);
/// The header's two lines and the mute button's title while no sound server is reachable.
std::string unavailableTitle();
std::string unavailableDetail();
std::string unavailableButtonTitle();

/// The header's device line: the active device, or the no-device text.
std::string headerDeviceName(const std::optional<std::string>& activeDeviceName);
/// The device row's value: "Все" for all inputs, else the active device or an em dash.
std::string deviceRowValue(const DeviceSelection& selection,
                           const std::optional<std::string>& activeDeviceName);

} // namespace quietlane
