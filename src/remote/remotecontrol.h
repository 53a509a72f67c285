// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/controlprotocol.h"
#include "remote/pushtotalkpair.h"
#include "remote/toggleburst.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace quietlane {

class MicrophoneController;

/// What the command line and D-Bus may do to the running instance, on top of the same
/// microphone controller the widget and the shortcut use. Main thread only.
///
/// The push-to-talk pair works like the global shortcut in push-to-talk mode, with a hold
/// of its own: a second press while held does nothing, and the release restores the state
/// from before the first press. A hold whose release never arrives (a compositor can drop
/// it on a workspace switch) ends with the next release: the next press finds the hold
/// still on and is ignored, and its release puts the microphone back. A press that comes
/// just after a release with no hold to end is the late half of a quick tap and is dropped.
///
/// Toggles arriving at a key-repeat pace are one press (see `ToggleBurst`): a desktop's
/// custom shortcut runs its command again on every repeat of a held key.
class RemoteControl : public QObject {
    Q_OBJECT
public:
    using Reply = std::function<void(const ControlReply&)>;

    explicit RemoteControl(MicrophoneController& microphone, QObject* parent = nullptr);

    /// Carries out one request of the socket protocol; `reply` runs once, after the
    /// devices confirmed (or did not take) the change. `watch` is not handled here.
    void handle(ControlRequest request, Reply reply);

    ControlStatus status() const;

signals:
    /// Once per change of the status as a whole, after the controller settled on it.
    void statusChanged();
    void settingsRequested();

private:
    void replyWhenSettled(std::optional<bool> wanted, Reply reply);
    void toggle(Reply reply);
    void settleHeldToggle();
    void scheduleStatusCheck();

    MicrophoneController& m_microphone;
    PushToTalkPair m_pushToTalk;
    ToggleBurst m_toggleBurst;
    QTimer m_heldToggleTimer;
    Reply m_heldToggleReply;
    ControlStatus m_lastStatus;
    bool m_statusCheckPending = false;
};

} // namespace quietlane
