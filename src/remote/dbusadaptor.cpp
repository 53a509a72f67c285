// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/dbusadaptor.h"

#include "control/microphonecontroller.h"
#include "remote/remotecontrol.h"

namespace quietlane {

namespace {
// D-Bus callers learn the outcome from PropertiesChanged; the method returns at once.
void ignoreReply(const ControlReply&) {}
} // namespace

DBusAdaptor::DBusAdaptor(QObject* host, MicrophoneController& microphone, RemoteControl& remote)
    : QDBusAbstractAdaptor(host), m_microphone(microphone), m_remote(remote) {}

bool DBusAdaptor::muted() const {
    return m_microphone.isMuted();
}

QString DBusAdaptor::activeDeviceName() const {
    return m_microphone.activeDeviceName();
}

bool DBusAdaptor::usingVolumeFallback() const {
    return m_microphone.usingVolumeFallback();
}

void DBusAdaptor::Toggle() {
    m_remote.handle(ControlRequest::toggle, ignoreReply);
}

void DBusAdaptor::SetMuted(bool muted) {
    m_remote.handle(muted ? ControlRequest::mute : ControlRequest::unmute, ignoreReply);
}

void DBusAdaptor::PushToTalkPress() {
    m_remote.handle(ControlRequest::pushToTalkPress, ignoreReply);
}

void DBusAdaptor::PushToTalkRelease() {
    m_remote.handle(ControlRequest::pushToTalkRelease, ignoreReply);
}

void DBusAdaptor::PushToMutePress() {
    m_remote.handle(ControlRequest::pushToMutePress, ignoreReply);
}

void DBusAdaptor::PushToMuteRelease() {
    m_remote.handle(ControlRequest::pushToMuteRelease, ignoreReply);
}

void DBusAdaptor::OpenSettings() {
    m_remote.handle(ControlRequest::openSettings, ignoreReply);
}

} // namespace quietlane
