// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/soundcue.h"
#include "base/preferences.h"
#include "settings/settingstab.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace quietlane {

class AppearanceManager;
class AwayService;
class FloatingPanelController;
class HotkeyManager;
class HUDController;
class AutostartService;
class TrayController;
class MicrophoneController;
class SettingsWindow;
class SoundCueController;
class WindowHints;

namespace GlobalShortcuts {
class HotkeyBackend;
class ShortcutCenter;
} // namespace GlobalShortcuts

/// Creates every long-lived service in a fixed order, wires them together and keeps them
/// for the life of the process. Main thread only.
class AppEnvironment : public QObject {
    Q_OBJECT
public:
    /// The platform pieces the services run on; each must outlive the environment.
    struct Platform {
        AudioServer& soundServer;
        GlobalShortcuts::HotkeyBackend& hotkeys;
        WindowHints& windowHints;
        /// Where the sound cues play; without one they are only recorded.
        SoundCuePlayer* soundCues = nullptr;
    };

    /// `arguments` is the process's argument list ("--open-settings" is honoured once the
    /// tray icon exists). `preferences` must outlive the environment.
    AppEnvironment(Platform platform, Preferences& preferences, QStringList arguments,
                   QObject* parent = nullptr);
    ~AppEnvironment() override;

    MicrophoneController& microphone() const { return *m_microphone; }
    FloatingPanelController& floatingPanel() const { return *m_floatingPanel; }
    GlobalShortcuts::ShortcutCenter& shortcuts() const { return *m_shortcuts; }
    HotkeyManager& hotkeys() const { return *m_hotkeys; }
    AutostartService& autostart() const { return *m_autostart; }
    HUDController& hud() const { return *m_hud; }
    /// The tray icon and its dropdown; absent until the deferred start-up step has run.
    TrayController* tray() const { return m_tray.get(); }
    AppearanceManager& appearance() const { return *m_appearance; }
    SoundCueController& soundCues() const { return *m_soundCues; }
    AwayService& away() const { return *m_away; }
    Preferences& preferences() const { return m_preferences; }

    /// Opens the settings window (created on first use) and brings it to the front.
    void showSettings();
    /// The same, on the page `tab`.
    void showSettingsOn(SettingsTab tab);

signals:
    /// The deferred start-up step has run; the tray icon exists from here on.
    void startupCompleted();

private:
    void finishStartup();
    void watchScreens();
    void scheduleScreenChange();

    Platform m_platform;
    Preferences& m_preferences;
    QStringList m_arguments;
    bool m_screenChangePending = false;

    // Declared in creation order, so they are destroyed in the reverse order.
    std::unique_ptr<MicrophoneController> m_microphone;
    std::unique_ptr<FloatingPanelController> m_floatingPanel;
    std::unique_ptr<GlobalShortcuts::ShortcutCenter> m_shortcuts;
    std::unique_ptr<HotkeyManager> m_hotkeys;
    std::unique_ptr<AutostartService> m_autostart;
    std::unique_ptr<HUDController> m_hud;
    std::unique_ptr<AppearanceManager> m_appearance;
    SimulatedSoundCues m_silentCues;
    std::unique_ptr<SoundCueController> m_soundCues;
    std::unique_ptr<AwayService> m_away;
    std::unique_ptr<TrayController> m_tray;
    // Made on first use, kept (hidden) after closing; goes before the services it shows.
    std::unique_ptr<SettingsWindow> m_settingsWindow;
};

} // namespace quietlane
