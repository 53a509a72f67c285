// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "control/hotkeystatemachine.h"

#include <QObject>
#include <QString>

namespace quietlane {

class MicrophoneController;
class Preferences;
namespace GlobalShortcuts {
class ShortcutCenter;
}

/// Connects the global shortcut "toggleMute" to the microphone, in toggle or
/// push-to-talk mode, and keeps the mode in the preferences. Main thread only.
class HotKeyManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(Mode mode READ mode WRITE setMode NOTIFY modeChanged)

public:
    enum class Mode { toggle, pushToTalk };
    Q_ENUM(Mode)

    static QList<Mode> allModes() { return {Mode::toggle, Mode::pushToTalk}; }
    static QString title(Mode mode);
    static QString rawValue(Mode mode);

    /// Restores the mode and attaches to the shortcut (declaring it, so a first start
    /// writes and registers the default). The shortcut layer must outlive the manager.
    HotKeyManager(MicrophoneController& microphone, GlobalShortcuts::ShortcutCenter& shortcuts,
                  Preferences& preferences, QObject* parent = nullptr);
    ~HotKeyManager() override;

    Mode mode() const { return m_mode; }
    /// Always writes "hotkeyMode"; signals only a real change. A hold in progress is left
    /// as it is.
    void setMode(Mode mode);

signals:
    void modeChanged(quietlane::HotKeyManager::Mode mode);

private:
    void keyDown();
    void keyUp();

    MicrophoneController& m_microphone;
    Preferences& m_preferences;
    Mode m_mode = Mode::toggle;
    HotKeyStateMachine m_stateMachine;
    // The shortcut layer keeps its handlers for the life of the process; this flag lets
    // them do nothing once the manager is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace quietlane
