// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "control/hotkeystatemachine.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace quietlane {

class MicrophoneController;
class Preferences;
namespace GlobalShortcuts {
class ShortcutCenter;
struct Name;
} // namespace GlobalShortcuts

/// Connects the global shortcuts to the microphone: "toggleMute" in toggle or
/// push-to-talk mode, and the optional "mute", "unmute" and "pushToMute". Keeps the mode
/// and the release tail of push-to-talk and push-to-mute in the preferences. Main thread
/// only.
class HotkeyManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(quietlane::HotkeyMode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(int pushToTalkTailMs READ pushToTalkTailMs WRITE setPushToTalkTailMs NOTIFY
                   pushToTalkTailMsChanged)

public:
    /// The main shortcut's name for a mode (toggle or push-to-talk), as menus show it.
    static QString title(HotkeyMode mode);

    /// Restores the mode and attaches to the shortcut (declaring it, so a first start
    /// writes and registers the default). The shortcut layer must outlive the manager.
    HotkeyManager(MicrophoneController& microphone, GlobalShortcuts::ShortcutCenter& shortcuts,
                  Preferences& preferences, QObject* parent = nullptr);
    ~HotkeyManager() override;

    HotkeyMode mode() const { return m_mode; }
    /// Always writes "hotkeyMode"; signals only a real change. A hold in progress is left
    /// as it is. Only toggle and push-to-talk are modes of the main shortcut.
    void setMode(HotkeyMode mode);

    static constexpr int kMaxTailMs = 1000;
    /// How long a push-to-talk or push-to-mute release waits before it takes effect, in
    /// milliseconds (0 to 1000, stored under "pushToTalkTailMs"). A press within it keeps
    /// the hold going.
    int pushToTalkTailMs() const { return m_tailMs; }
    /// Limits the value to 0...1000, writes it, and signals a real change.
    void setPushToTalkTailMs(int milliseconds);

signals:
    void modeChanged(quietlane::HotkeyMode mode);
    void pushToTalkTailMsChanged(int milliseconds);

private:
    void attach(GlobalShortcuts::ShortcutCenter& shortcuts, const GlobalShortcuts::Name& name,
                std::function<void()> onKeyDown, std::function<void()> onKeyUp);
    void keyDown();
    void keyUp();
    void pushToMuteUp();
    void scheduleTail();
    void tailElapsed();

    MicrophoneController& m_microphone;
    Preferences& m_preferences;
    HotkeyMode m_mode = HotkeyMode::toggle;
    HotkeyStateMachine m_stateMachine;
    HotkeyStateMachine m_pushToMute;
    int m_tailMs = 0;
    QTimer m_tailTimer;
    // The shortcut layer keeps its handlers for the life of the process; this flag lets
    // them do nothing once the manager is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace quietlane
