// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/dbusservice.h"

#include "base/log.h"
#include "control/microphonecontroller.h"
#include "remote/dbusadaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QVariantMap>

namespace quietlane {

namespace {
constexpr const char* kInterface = "com.quietlane.Quietlane";
}

DBusService::DBusService(MicrophoneController& microphone, RemoteControl& remote, QObject* parent)
    : QObject(parent), m_microphone(microphone) {
    new DBusAdaptor(this, microphone, remote);
    connect(&microphone, &MicrophoneController::isMutedChanged, this,
            [this](bool muted) { announce("Muted", muted); });
    connect(&microphone, &MicrophoneController::usingVolumeFallbackChanged, this,
            [this](bool fallback) { announce("UsingVolumeFallback", fallback); });
    connect(&microphone, &MicrophoneController::activeDeviceNameChanged, this,
            [this] { announce("ActiveDeviceName", m_microphone.activeDeviceName()); });
}

DBusService::~DBusService() {
    if (!m_published)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    bus.unregisterService(QString::fromLatin1(kServiceName));
}

bool DBusService::publish() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Log::notice(Log::Category::app, "no D-Bus session bus (%s); the D-Bus interface is off",
                    qPrintable(bus.lastError().message()));
        return false;
    }
    switch (claimName()) {
    case Claim::taken:
        return true;
    case Claim::held:
        Log::error(Log::Category::app,
                   "the D-Bus name %s is taken; the D-Bus interface is off until its owner "
                   "lets go of it",
                   kServiceName);
        waitForName();
        return false;
    case Claim::failed:
        Log::error(Log::Category::app, "cannot register %s on the D-Bus session bus", kObjectPath);
        return false;
    }
    return false;
}

DBusService::Claim DBusService::claimName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportAdaptors))
        return Claim::failed;
    // Not queued behind another owner: one instance per user, and the socket decided it.
    const auto reply = bus.interface()->registerService(
        QString::fromLatin1(kServiceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return Claim::held;
    }
    m_published = true;
    return Claim::taken;
}

// The owner is most likely the instance this one took the socket from, still quitting or
// frozen; the bus says when it lets go.
void DBusService::waitForName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_nameWatcher = new QDBusServiceWatcher(QString::fromLatin1(kServiceName), bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
    const auto tryAgain = [this] {
        if (m_published || claimName() != Claim::taken)
            return;
        m_nameWatcher->deleteLater();
        m_nameWatcher = nullptr;
        Log::notice(Log::Category::app,
                    "the D-Bus name %s is free again and taken; the D-Bus interface is on",
                    kServiceName);
    };
    connect(m_nameWatcher, &QDBusServiceWatcher::serviceUnregistered, this, tryAgain);
    // It may have gone between the refusal and the watch.
    if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kServiceName)))
        tryAgain();
}

void DBusService::announce(const char* property, const QVariant& value) {
    if (!m_published)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kInterface) << QVariantMap{{QString::fromLatin1(property), value}}
           << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace quietlane
