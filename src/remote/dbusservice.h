// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QDBusServiceWatcher;

namespace quietlane {

class MicrophoneController;
class RemoteControl;

/// The control interface com.quietlane.Quietlane on the session bus, at
/// /com/quietlane/Quietlane (described by share/dbus-1/interfaces/com.quietlane.Quietlane.xml).
/// Main thread only.
class DBusService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "com.quietlane.Quietlane";
    static constexpr const char* kObjectPath = "/com/quietlane/Quietlane";

    DBusService(MicrophoneController& microphone, RemoteControl& remote, QObject* parent = nullptr);
    ~DBusService() override;

    /// Registers the object and takes the name. Without a session bus, or with the name
    /// taken, it logs one line and returns false; the program works on without it. A name
    /// held by someone else (an instance of ours on its way out) is taken as soon as its
    /// owner lets go, with one more line.
    bool publish();

private:
    enum class Claim { taken, held, failed };
    Claim claimName();
    void waitForName();
    void announce(const char* property, const QVariant& value);

    MicrophoneController& m_microphone;
    bool m_published = false;
    QDBusServiceWatcher* m_nameWatcher = nullptr;
};

} // namespace quietlane
