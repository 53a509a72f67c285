// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "appearance/appearancesettings.h"
#include "audio/audioinputdevice.h"
#include "audio/deviceselection.h"
#include "control/hotkeystatemachine.h"
#include "settings/awaysettings.h"
#include "settings/settingstab.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quietlane {

/// Where the global shortcut works in this session, which the shortcut tab explains when
/// it is not simply everywhere.
enum class ShortcutReach {
    everywhere,
    /// The desktop's portal catches the key it keeps, and opens its own dialog to change it.
    desktopConfigures,
    /// The same without that dialog: the key is changed where this desktop keeps it.
    gnomeSettings,
    kdeSettings,
    hyprlandConfig,
    desktopSettings,
    /// The desktop reports a key but holds none (another program has it).
    desktopKeyUnheld,
    /// Only while an X11 window has the focus (XWayland), on KDE and elsewhere.
    x11WindowsOnlyKde,
    x11WindowsOnly,
    unavailable,
};

/// Everything the settings window shows, copied from the live services (or made up for a
/// rendering). The window's content reads nothing else.
struct SettingsModel {
    DeviceSelection selection;
    std::vector<AudioInputDevice> availableDevices;
    bool isMuted = false;
    std::optional<std::string> activeDeviceName;
    /// Muting works by driving the input volume to zero (the device has no mute switch).
    bool usingVolumeFallback = false;
    bool loginEnabled = false;
    Theme theme = Theme::automatic;
    Language language = Language::system;
    bool languageChangePending = false;
    bool showHUD = true;
    /// The indicator also for changes made by other programs.
    bool hudForOtherPrograms = true;
    std::string hotkeyDescription;
    HotkeyMode mode = HotkeyMode::toggle;
    ShortcutReach shortcutReach = ShortcutReach::everywhere;
    /// How long a push-to-talk or push-to-mute release waits, in milliseconds.
    int pushToTalkTailMs = 0;
    /// The desktop itself handles the microphone-mute key (the tab says so).
    bool micMuteKeyTaken = false;
    bool widgetVisible = true;
    double backgroundOpacity = 0.6;
    double foregroundOpacity = 1.0;
    AwaySettingsModel away;
    SettingsTab initialTab = SettingsTab::mic;

    friend bool operator==(const SettingsModel&, const SettingsModel&) = default;
};

/// What each control of the settings window does. Empty actions do nothing.
struct SettingsActions {
    std::function<void(const DeviceSelection&)> selectDevice;
    std::function<void(bool)> setLogin;
    std::function<void(Theme)> setTheme;
    std::function<void(Language)> setLanguage;
    std::function<void(bool)> setShowHUD;
    std::function<void(bool)> setHudForOtherPrograms;
    std::function<void(int)> setPushToTalkTailMs;
    std::function<void(HotkeyMode)> setMode;
    /// Opens the desktop's own dialog for the shortcut keys.
    std::function<void()> configureShortcut;
    std::function<void(bool)> setWidgetVisible;
    std::function<void(double)> setBackgroundOpacity;
    std::function<void(double)> setForegroundOpacity;
    AwaySettingsActions away;
};

/// The fixed model the offscreen rendering shows, opened on `tab`.
SettingsModel sampleSettingsModel(SettingsTab tab);

/// The rows of the microphone section, top to bottom (dividers left out).
enum class MicrophoneRow { selector, state, activeDevice, fallbackNote };
std::vector<MicrophoneRow> microphoneRows(const SettingsModel& model);

/// The selector's value: "По умолчанию", "Все микрофоны", or the active device ("—" when
/// there is none).
std::string microphoneValueText(const SettingsModel& model);

/// "Выключен" / "Активен".
std::string microphoneStateText(bool isMuted);

} // namespace quietlane
