// SPDX-License-Identifier: GPL-3.0-or-later
#include "standinportal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>
#include <QTimerEvent>

namespace quietlane::testing {

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
int g_connections = 0;

QString senderElement(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}
} // namespace

StandInPortal::StandInPortal(bool kde)
    : m_kde(kde),
      m_bus(QDBusConnection::connectToBus(
          QDBusConnection::SessionBus, QStringLiteral("standin-portal-%1").arg(++g_connections))) {
    m_connectionName = m_bus.name();
    qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
    qDBusRegisterMetaType<PortalShortcuts>();
    // The slots name the type by its alias, which the meta-object looks up by name.
    qRegisterMetaType<PortalShortcuts>("PortalShortcuts");
    m_bus.registerObject(kPath, this,
                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    m_thread.start();
    moveToThread(&m_thread);
    m_bus.registerService(kService);
}

StandInPortal::~StandInPortal() {
    disconnectFromBus();
    inOwnThread([this] { moveToThread(m_thread.thread()); });
    m_thread.quit();
    m_thread.wait();
}

void StandInPortal::disconnectFromBus() {
    inOwnThread([this] {
        stopRepeatsSilently();
        if (m_connectionName.isEmpty())
            return;
        m_bus.unregisterService(kService);
        m_bus.unregisterObject(kPath);
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_connectionName.clear();
    });
}

QDBusObjectPath StandInPortal::respond(const QDBusMessage& call, const QVariantMap& options,
                                       uint code, const QVariantMap& results) {
    const QString path = kPath + QStringLiteral("/request/") + senderElement(call) +
                         QLatin1Char('/') +
                         options.value(QStringLiteral("handle_token")).toString();
    // The answer follows the method's return, as from a real portal's dialog.
    QTimer::singleShot(0, this, [this, path, code, results] {
        auto signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << code << results;
        m_bus.send(signal);
    });
    return QDBusObjectPath(path);
}

QDBusObjectPath StandInPortal::CreateSession(const QVariantMap& options,
                                             const QDBusMessage& message) {
    m_session = kPath + QStringLiteral("/session/") + senderElement(message) + QLatin1Char('/') +
                options.value(QStringLiteral("session_handle_token")).toString();
    if (m_kde) {
        PortalShortcuts shortcuts;
        options.value(QStringLiteral("shortcuts")).value<QDBusArgument>() >> shortcuts;
        for (const auto& [id, properties] : shortcuts) {
            m_trigger = properties.value(QStringLiteral("preferred_trigger")).toString();
            m_description = properties.value(QStringLiteral("description")).toString();
        }
    }
    QVariantMap results;
    if (m_kde)
        results[QStringLiteral("session_handle")] = m_session;
    else
        results[QStringLiteral("session_handle")] = QVariant::fromValue(QDBusObjectPath(m_session));
    return respond(message, options, 0, results);
}

QDBusObjectPath StandInPortal::BindShortcuts(const QDBusObjectPath&,
                                             const PortalShortcuts& shortcuts, const QString&,
                                             const QVariantMap& options,
                                             const QDBusMessage& message) {
    ++m_bindCalls;
    if (std::exchange(m_cancelNext, false))
        return respond(message, options, 1, {});
    if (!m_kde) {
        for (const auto& [id, properties] : shortcuts)
            m_trigger = properties.value(QStringLiteral("preferred_trigger")).toString();
    }
    return respond(message, options, 0, {{QStringLiteral("shortcuts"), shortcutsResult()}});
}

QDBusObjectPath StandInPortal::ListShortcuts(const QDBusObjectPath&, const QVariantMap& options,
                                             const QDBusMessage& message) {
    return respond(message, options, 0, {{QStringLiteral("shortcuts"), shortcutsResult()}});
}

QVariant StandInPortal::shortcutsResult() const {
    const PortalShortcuts list{
        {QStringLiteral("toggle-mute"),
         {{QStringLiteral("description"), m_description},
          {QStringLiteral("trigger_description"), QStringLiteral("Press ") + m_trigger}}}};
    return QVariant::fromValue(list);
}

void StandInPortal::emitKey(const char* signal) {
    auto message = QDBusMessage::createSignal(kPath, kInterface, QString::fromLatin1(signal));
    message << QVariant::fromValue(QDBusObjectPath(m_session)) << QStringLiteral("toggle-mute")
            << quint64(m_kde ? 0 : 1700000000000000ULL) << QVariantMap();
    m_bus.send(message);
}

void StandInPortal::press() {
    inOwnThread([this] {
        emitKey("Activated");
        if (m_kde)
            m_repeatTimer = startTimer(40);
    });
}

void StandInPortal::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_repeatTimer)
        emitKey("Activated");
}

void StandInPortal::stopRepeatsSilently() {
    auto stop = [this] {
        if (m_repeatTimer)
            killTimer(std::exchange(m_repeatTimer, 0));
    };
    if (QThread::currentThread() == &m_thread)
        stop();
    else
        inOwnThread(stop);
}

void StandInPortal::release() {
    inOwnThread([this] {
        stopRepeatsSilently();
        emitKey("Deactivated");
    });
}

void StandInPortal::closeSession() {
    inOwnThread([this] {
        m_bus.send(QDBusMessage::createSignal(m_session,
                                              QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Closed"))
                   << QVariantMap());
    });
}

void StandInPortal::reassign(const QString& trigger) {
    inOwnThread([this, trigger] {
        m_trigger = trigger;
        auto message =
            QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ShortcutsChanged"));
        message << QVariant::fromValue(QDBusObjectPath(m_session)) << shortcutsResult();
        m_bus.send(message);
    });
}

} // namespace quietlane::testing
