// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/statusnotifierwatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace quietlane {

namespace {
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

StatusNotifierWatch::StatusNotifierWatch(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_watcher = new QDBusServiceWatcher(kWatcherService, bus,
                                        QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierWatch::check);
    // A watcher that is up before its host says so with this signal.
    bus.connect(QString(), kWatcherPath, kWatcherService,
                QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(onHostRegistered()));
}

bool StatusNotifierWatch::isHostPresent() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcherService))
        return false;
    auto message = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
    message << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = bus.call(message, QDBus::Block, 2000);
    return reply.isValid() && reply.value().variant().toBool();
}

void StatusNotifierWatch::onHostRegistered() {
    check();
}

void StatusNotifierWatch::check() {
    if (m_reported || !isHostPresent())
        return;
    m_reported = true;
    emit hostAppeared();
}

} // namespace quietlane
