// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/remotecontrol.h"

#include "audio/micstate.h"
#include "base/log.h"
#include "control/microphonecontroller.h"

#include <QPointer>

#include <algorithm>
#include <utility>

namespace quietlane {

RemoteControl::RemoteControl(MicrophoneController& microphone, QObject* parent)
    : QObject(parent), m_microphone(microphone),
      m_pushToTalk({[this] { return m_microphone.intendedMuted(); },
                    [this] { m_microphone.toggle(); },
                    [this](bool muted) {
                        m_microphone.setMuted(muted);
                    }}),
      m_pushToMute({[this] { return m_microphone.intendedMuted(); }, [] {},
                    [this](bool muted) {
                        m_microphone.setMuted(muted);
                    }},
                   HotkeyMode::pushToMute),
      m_lastStatus(status()) {
    m_heldToggleTimer.setSingleShot(true);
    m_heldToggleTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_heldToggleTimer, &QTimer::timeout, this, &RemoteControl::settleHeldToggle);
    // The controller announces one new state as up to five signals; watchers get one line.
    connect(&m_microphone, &MicrophoneController::isAvailableChanged, this,
            &RemoteControl::scheduleStatusCheck);
    connect(&m_microphone, &MicrophoneController::isMutedChanged, this,
            &RemoteControl::scheduleStatusCheck);
    connect(&m_microphone, &MicrophoneController::usingVolumeFallbackChanged, this,
            &RemoteControl::scheduleStatusCheck);
    connect(&m_microphone, &MicrophoneController::activeDeviceNameChanged, this,
            &RemoteControl::scheduleStatusCheck);
    connect(&m_microphone, &MicrophoneController::availableDevicesChanged, this,
            &RemoteControl::scheduleStatusCheck);
}

ControlStatus RemoteControl::status() const {
    MicState state;
    state.isAvailable = m_microphone.isAvailable();
    state.isMuted = m_microphone.isMuted();
    state.usingVolumeFallback = m_microphone.usingVolumeFallback();
    if (m_microphone.hasActiveDeviceName())
        state.activeDeviceName = m_microphone.activeDeviceName().toStdString();
    state.devices = m_microphone.availableDevices();
    return statusOf(state);
}

void RemoteControl::handle(ControlRequest request, Reply reply) {
    switch (request) {
    case ControlRequest::openSettings:
        emit settingsRequested();
        reply({ControlReply::Kind::ok, {}});
        return;
    case ControlRequest::status:
        reply({ControlReply::Kind::ok, encodeStatus(status())});
        return;
    case ControlRequest::toggle:
        toggle(std::move(reply));
        return;
    case ControlRequest::mute:
    case ControlRequest::unmute: {
        const bool wanted = request == ControlRequest::mute;
        m_microphone.setMuted(wanted);
        replyWhenSettled(wanted, std::move(reply));
        return;
    }
    case ControlRequest::pushToTalkPress:
        if (!m_pushToTalk.press(PushToTalkPair::Clock::now()))
            Log::notice(Log::Category::app, "Push-to-talk press ignored: its release came first");
        replyWhenSettled(std::nullopt, std::move(reply));
        return;
    case ControlRequest::pushToTalkRelease:
        m_pushToTalk.release(PushToTalkPair::Clock::now());
        replyWhenSettled(std::nullopt, std::move(reply));
        return;
    case ControlRequest::pushToMutePress:
        if (!m_pushToMute.press(PushToTalkPair::Clock::now()))
            Log::notice(Log::Category::app, "Push-to-mute press ignored: its release came first");
        replyWhenSettled(std::nullopt, std::move(reply));
        return;
    case ControlRequest::pushToMuteRelease:
        m_pushToMute.release(PushToTalkPair::Clock::now());
        replyWhenSettled(std::nullopt, std::move(reply));
        return;
    case ControlRequest::watch:
        break;
    }
    reply({ControlReply::Kind::error, "watch is served by the channel"});
}

void RemoteControl::toggle(Reply reply) {
    settleHeldToggle();
    bool droppedHeld = false;
    const auto now = ToggleBurst::Clock::now();
    const ToggleBurst::Verdict verdict =
        m_toggleBurst.arrive(now, m_microphone.isMuted(), &droppedHeld);
    if (droppedHeld) {
        Log::notice(Log::Category::app, "Toggles at a key-repeat pace taken as one press");
        replyWhenSettled(std::nullopt, std::exchange(m_heldToggleReply, {}));
        m_heldToggleTimer.stop();
    }
    switch (verdict) {
    case ToggleBurst::Verdict::apply: {
        toggleNow(std::move(reply));
        return;
    }
    case ToggleBurst::Verdict::drop:
        replyWhenSettled(std::nullopt, std::move(reply));
        return;
    case ToggleBurst::Verdict::holdBack:
        m_heldToggleReply = std::move(reply);
        m_heldToggleTimer.start(int(ToggleBurst::kRepeatGap.count()));
        return;
    }
}

void RemoteControl::settleHeldToggle() {
    if (!m_heldToggleReply)
        return;
    const auto now = ToggleBurst::Clock::now();
    if (!m_toggleBurst.expire(now)) {
        if (const auto due = m_toggleBurst.deadline()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
            m_heldToggleTimer.start(int(std::max<int64_t>(1, wait.count())));
        }
        return;
    }
    m_heldToggleTimer.stop();
    toggleNow(std::exchange(m_heldToggleReply, {}));
}

void RemoteControl::toggleNow(Reply reply) {
    // The worker decides what a toggle asks for; the reply checks that.
    m_microphone.toggle();
    m_microphone.whenSettled([self = QPointer(this), reply = std::move(reply)] {
        if (!self)
            return;
        self->m_toggleBurst.settled(self->m_microphone.isMuted());
        reply(settledReply(self->m_microphone.lastRequestedMuted(), self->status()));
    });
}

void RemoteControl::replyWhenSettled(std::optional<bool> wanted, Reply reply) {
    m_microphone.whenSettled([self = QPointer(this), wanted, reply = std::move(reply)] {
        if (!self)
            return;
        reply(settledReply(wanted, self->status()));
    });
}

void RemoteControl::scheduleStatusCheck() {
    if (m_statusCheckPending)
        return;
    m_statusCheckPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_statusCheckPending = false;
            const ControlStatus now = status();
            if (now == m_lastStatus)
                return;
            m_lastStatus = now;
            emit statusChanged();
        },
        Qt::QueuedConnection);
}

} // namespace quietlane
