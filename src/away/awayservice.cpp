// SPDX-License-Identifier: GPL-3.0-or-later
#include "away/awayservice.h"

#include "base/log.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"

#include <QPointer>

namespace quietlane {

namespace {
constexpr const char* kStartMutedKey = "startMuted";
constexpr const char* kMuteOnLockKey = "muteOnLock";
constexpr const char* kMuteOnSuspendKey = "muteOnSuspend";
constexpr const char* kRestoreKey = "restoreAfterLock";
} // namespace

AwayService::AwayService(MicrophoneController& mic, Preferences& preferences, QObject* parent)
    : QObject(parent), m_mic(mic), m_preferences(preferences),
      m_startMuted(preferences.boolValue(kStartMutedKey).value_or(false)),
      m_startMutePending(m_startMuted) {
    m_options.muteOnLock = preferences.boolValue(kMuteOnLockKey).value_or(false);
    m_options.muteOnSuspend = preferences.boolValue(kMuteOnSuspendKey).value_or(false);
    m_options.restoreAfter = preferences.boolValue(kRestoreKey).value_or(false);

    connect(&m_session, &SessionSignals::lockChanged, this, &AwayService::lockChanged);
    connect(&m_session, &SessionSignals::preparingForSleep, this, &AwayService::preparingForSleep);
    connect(&m_session, &SessionSignals::resumed, this, &AwayService::resumed);
    m_sleepLimit.setSingleShot(true);
    m_sleepLimit.setInterval(kSleepWaitLimit);
    connect(&m_sleepLimit, &QTimer::timeout, this, &AwayService::sleepPrepared);
    m_session.watchLock(m_options.muteOnLock);
    m_session.watchSuspend(m_options.muteOnSuspend);

    if (m_startMutePending) {
        // The first state comes from the sound server later; a request before it would
        // find no microphone to mute.
        connect(&m_mic, &MicrophoneController::availableDevicesChanged, this,
                &AwayService::muteOnceAvailable);
        connect(&m_mic, &MicrophoneController::isAvailableChanged, this,
                &AwayService::muteOnceAvailable);
    }
}

AwayService::~AwayService() = default;

void AwayService::muteOnceAvailable() {
    if (!m_startMutePending || !m_mic.isAvailable() || m_mic.availableDevices().empty())
        return;
    m_startMutePending = false;
    disconnect(&m_mic, nullptr, this, nullptr);
    Log::info(Log::Category::audio, "muting the microphone at start, as set");
    m_mic.setMuted(true);
}

void AwayService::setOption(const char* key, bool& option, bool on) {
    m_preferences.setBool(key, on);
    if (option == on)
        return;
    option = on;
    emit optionsChanged();
}

void AwayService::setStartMuted(bool on) {
    // Takes effect at the next start: this one has started already.
    setOption(kStartMutedKey, m_startMuted, on);
}

void AwayService::setMuteOnLock(bool on) {
    setOption(kMuteOnLockKey, m_options.muteOnLock, on);
    m_session.watchLock(on);
}

void AwayService::setMuteOnSuspend(bool on) {
    setOption(kMuteOnSuspendKey, m_options.muteOnSuspend, on);
    m_session.watchSuspend(on);
}

void AwayService::setRestoreAfterLock(bool on) {
    setOption(kRestoreKey, m_options.restoreAfter, on);
}

void AwayService::lockChanged(bool locked) {
    if (locked) {
        if (m_policy.leave(AwayPolicy::Reason::lock, m_mic.intendedMuted(), m_options)) {
            Log::info(Log::Category::audio, "screen locked: muting the microphone");
            m_mic.setMuted(true);
        }
    } else if (const auto before = m_policy.back(AwayPolicy::Reason::lock, m_options)) {
        m_mic.setMuted(*before);
    }
}

void AwayService::preparingForSleep() {
    if (!m_policy.leave(AwayPolicy::Reason::suspend, m_mic.intendedMuted(), m_options)) {
        m_session.allowSleep();
        return;
    }
    Log::info(Log::Category::audio, "going to sleep: muting the microphone");
    m_mic.setMuted(true);
    m_sleepPending = true;
    m_sleepLimit.start();
    m_mic.whenSettled([self = QPointer(this)] {
        if (self)
            self->sleepPrepared();
    });
}

void AwayService::sleepPrepared() {
    if (!m_sleepPending)
        return;
    m_sleepPending = false;
    m_sleepLimit.stop();
    if (!m_mic.isMuted())
        Log::error(Log::Category::audio,
                   "the sound server did not confirm the mute before sleep; sleeping anyway");
    m_session.allowSleep();
}

void AwayService::resumed() {
    // A wake-up that overtook a late confirmation needs no inhibitor kept for it.
    sleepPrepared();
    if (const auto before = m_policy.back(AwayPolicy::Reason::suspend, m_options))
        m_mic.setMuted(*before);
}

} // namespace quietlane
