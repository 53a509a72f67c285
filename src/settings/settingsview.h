// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settingsmodel.h"

#include <QWidget>

namespace quietlane {

class AppearanceManager;
class AwayService;
class FloatingPanelController;
class HUDController;
class HotkeyManager;
class AutostartService;
class MicrophoneController;
class SettingsContent;
class SoundCueController;

namespace GlobalShortcuts {
class ShortcutCenter;
}

/// The settings window's content bound to the live services: it copies what they publish
/// into the content's model, and turns the model's requests into writes to them. A change
/// reaches the screen only through the service's own change signal.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    /// The services must outlive the view. Without a shortcut layer the shortcut row shows
    /// the shortcut as a badge instead of the recorder; without a hotkey manager or login
    /// service their rows show the defaults and do nothing.
    struct Services {
        MicrophoneController& microphone;
        FloatingPanelController& floatingPanel;
        HUDController& hud;
        AppearanceManager& appearance;
        GlobalShortcuts::ShortcutCenter* shortcuts = nullptr;
        HotkeyManager* hotkeys = nullptr;
        AutostartService* login = nullptr;
        SoundCueController* cues = nullptr;
        AwayService* away = nullptr;
    };

    explicit SettingsView(Services services, QWidget* parent = nullptr);
    ~SettingsView() override;

    /// What the services publish right now.
    SettingsState currentState() const;
    SettingsContent* content() const { return m_content; }

signals:
    void sizeReported(QSize size);

private:
    template <typename Signal, typename Write> void onRequest(Signal request, Write write);
    void connectRequests();
    void connectAwayRequests();
    AwaySettings awaySettings() const;
    QString hotkeyDescription() const;
    ShortcutReach shortcutReach() const;
    void scheduleRefresh();
    void refresh();

    Services m_services;
    SettingsModel m_model;
    SettingsContent* m_content = nullptr;
    bool m_micMuteKeyTaken = false;
    bool m_refreshPending = false;
    // Set while the content is filled from the model, so that filling never writes back.
    bool m_filling = false;
};

} // namespace quietlane
