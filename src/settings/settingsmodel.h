// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "appearance/appearancesettings.h"
#include "audio/audioinputdevice.h"
#include "audio/deviceselection.h"
#include "control/hotkeystatemachine.h"
#include "settings/awaysettings.h"
#include "settings/settingstab.h"

#include <QObject>
#include <QString>

#include <optional>
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
struct SettingsState {
    DeviceSelection selection;
    std::vector<AudioInputDevice> availableDevices;
    bool isMuted = false;
    std::optional<QString> activeDeviceName;
    /// Muting works by driving the input volume to zero (the device has no mute switch).
    bool usingVolumeFallback = false;
    bool loginEnabled = false;
    Theme theme = Theme::automatic;
    Language language = Language::system;
    bool languageChangePending = false;
    bool showHUD = true;
    /// The indicator also for changes made by other programs.
    bool hudForOtherPrograms = true;
    QString hotkeyDescription;
    HotkeyMode mode = HotkeyMode::toggle;
    ShortcutReach shortcutReach = ShortcutReach::everywhere;
    /// How long a push-to-talk or push-to-mute release waits, in milliseconds.
    int pushToTalkTailMs = 0;
    /// The desktop itself handles the microphone-mute key (the tab says so).
    bool micMuteKeyTaken = false;
    bool widgetVisible = true;
    double backgroundOpacity = 0.6;
    double foregroundOpacity = 1.0;
    AwaySettings away;
    SettingsTab initialTab = SettingsTab::mic;

    friend bool operator==(const SettingsState&, const SettingsState&) = default;
};

/// What the settings window shows, and what its controls ask for. The settings view keeps
/// it in step with the live services and carries the requests out; a rendering fills it
/// by hand. `stateChanged` fires only when something shown really changed.
class SettingsModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(quietlane::SettingsState state READ state WRITE setState NOTIFY stateChanged)
public:
    explicit SettingsModel(SettingsState state = {}, QObject* parent = nullptr);

    const SettingsState& state() const { return m_state; }
    void setState(SettingsState state);

signals:
    void stateChanged();

    void deviceSelected(const quietlane::DeviceSelection& selection);
    void loginRequested(bool on);
    void themeRequested(quietlane::Theme theme);
    void languageRequested(quietlane::Language language);
    void showHUDRequested(bool show);
    void hudForOtherProgramsRequested(bool show);
    void pushToTalkTailRequested(int milliseconds);
    void modeRequested(quietlane::HotkeyMode mode);
    /// The desktop's own dialog for the shortcut keys.
    void shortcutDialogRequested();
    void widgetVisibleRequested(bool visible);
    void backgroundOpacityRequested(double opacity);
    void foregroundOpacityRequested(double opacity);
    void soundCuesRequested(bool on);
    void soundCueVolumeRequested(double volume);
    void startMutedRequested(bool on);
    void muteOnLockRequested(bool on);
    void muteOnSuspendRequested(bool on);
    void restoreAfterLockRequested(bool on);

private:
    SettingsState m_state;
};

/// The fixed state the offscreen rendering shows, opened on `tab`.
SettingsState sampleSettingsState(SettingsTab tab);

/// The rows of the microphone section, top to bottom (dividers left out).
enum class MicrophoneRow { selector, state, activeDevice, fallbackNote };
std::vector<MicrophoneRow> microphoneRows(const SettingsState& state);

/// The selector's value: "По умолчанию", "Все микрофоны", or the active device ("—" when
/// there is none).
QString microphoneValueText(const SettingsState& state);

/// "Выключен" / "Активен".
QString microphoneStateText(bool isMuted);

} // namespace quietlane
