// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "away/awaypolicy.h"
#include "away/sessionsignals.h"

#include <QObject>
#include <QTimer>

#include <chrono>

namespace quietlane {

class MicrophoneController;
class Preferences;

/// Away means muted: mutes at start ("startMuted"), when the screen locks ("muteOnLock")
/// and before the machine sleeps ("muteOnSuspend"), and on the way back restores the
/// state from before when "restoreAfterLock" is on. Before sleep the machine is held
/// until the sound server has confirmed the mute, or kSleepWaitLimit has passed.
class AwayService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool startMuted READ startMuted WRITE setStartMuted NOTIFY optionsChanged)
    Q_PROPERTY(bool muteOnLock READ muteOnLock WRITE setMuteOnLock NOTIFY optionsChanged)
    Q_PROPERTY(bool muteOnSuspend READ muteOnSuspend WRITE setMuteOnSuspend NOTIFY optionsChanged)
    Q_PROPERTY(
        bool restoreAfterLock READ restoreAfterLock WRITE setRestoreAfterLock NOTIFY optionsChanged)

public:
    /// Below logind's default limit of 5 s for delay inhibitors, and past the sound
    /// server's 2 s for a write.
    static constexpr std::chrono::milliseconds kSleepWaitLimit{3000};

    /// Reads the options and starts following the session for those that are on; with
    /// "startMuted", mutes as soon as the sound server shows a microphone.
    AwayService(MicrophoneController& mic, Preferences& preferences, QObject* parent = nullptr);
    ~AwayService() override;

    bool startMuted() const { return m_startMuted; }
    bool muteOnLock() const { return m_options.muteOnLock; }
    bool muteOnSuspend() const { return m_options.muteOnSuspend; }
    bool restoreAfterLock() const { return m_options.restoreAfter; }
    void setStartMuted(bool on);
    void setMuteOnLock(bool on);
    void setMuteOnSuspend(bool on);
    void setRestoreAfterLock(bool on);

    SessionSignals& session() { return m_session; }

signals:
    void optionsChanged();

private:
    void setOption(const char* key, bool& option, bool on);
    void muteOnceAvailable();
    void lockChanged(bool locked);
    void preparingForSleep();
    void sleepPrepared();
    void resumed();

    MicrophoneController& m_mic;
    Preferences& m_preferences;
    SessionSignals m_session;
    AwayPolicy m_policy;
    AwayOptions m_options;
    bool m_startMuted;
    bool m_startMutePending;
    bool m_sleepPending = false;
    QTimer m_sleepLimit;
};

} // namespace quietlane
