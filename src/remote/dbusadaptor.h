// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QString>

namespace quietlane {

class MicrophoneController;
class RemoteControl;

/// The methods and properties of com.quietlane.Quietlane; QtDBus exports exactly these
/// slots and properties, under these names.
class DBusAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quietlane.Quietlane")
    Q_PROPERTY(bool Muted READ muted)
    Q_PROPERTY(QString ActiveDeviceName READ activeDeviceName)
    Q_PROPERTY(bool UsingVolumeFallback READ usingVolumeFallback)

public:
    DBusAdaptor(QObject* host, MicrophoneController& microphone, RemoteControl& remote);

    bool muted() const;
    QString activeDeviceName() const;
    bool usingVolumeFallback() const;

public slots:
    void Toggle();
    void SetMuted(bool muted);
    void PushToTalkPress();
    void PushToTalkRelease();
    void PushToMutePress();
    void PushToMuteRelease();
    void OpenSettings();

private:
    MicrophoneController& m_microphone;
    RemoteControl& m_remote;
};

} // namespace quietlane
