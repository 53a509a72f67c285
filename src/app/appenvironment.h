// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/preferences.h"
#include "audio/halbackend.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace quietlane {

class AppearanceManager;
class FloatingPanelController;
class HUDController;
class MicrophoneController;
class WindowHints;

/// Creates every long-lived service in a fixed order, wires them together and keeps them
/// for the life of the process. Main thread only.
class AppEnvironment : public QObject {
    Q_OBJECT
public:
    /// `arguments` is the process's argument list ("--open-settings" is honoured once the
    /// tray icon exists). `hal`, `preferences` and `hints` must outlive the environment.
    AppEnvironment(HalBackend& hal, Preferences& preferences, WindowHints& hints,
                   QStringList arguments, QObject* parent = nullptr);
    ~AppEnvironment() override;

    MicrophoneController& microphone() const { return *m_microphone; }
    FloatingPanelController& floatingPanel() const { return *m_floatingPanel; }
    HUDController& hud() const { return *m_hud; }
    AppearanceManager& appearance() const { return *m_appearance; }
    Preferences& preferences() const { return m_preferences; }

    /// Opens the settings window (created on first use) and brings it to the front.
    void showSettings();

signals:
    /// The deferred start-up step has run; the tray icon exists from here on.
    void startupCompleted();

private:
    void finishStartup();
    void watchScreens();
    void scheduleScreenChange();

    HalBackend& m_hal;
    Preferences& m_preferences;
    WindowHints& m_hints;
    QStringList m_arguments;
    bool m_screenChangePending = false;

    // Declared in creation order, so they are destroyed in the reverse order.
    std::unique_ptr<MicrophoneController> m_microphone;
    std::unique_ptr<FloatingPanelController> m_floatingPanel;
    std::unique_ptr<HUDController> m_hud;
    std::unique_ptr<AppearanceManager> m_appearance;
};

} // namespace quietlane
