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
const QString kKGlobalAccel = QStringLiteral("org.kde.kglobalaccel");
int g_connections = 0;

QString senderElement(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}
} // namespace

StandInPortal::StandInPortal(PortalDesktop desktop, PortalFeatures features)
    : m_desktop(desktop), m_features(features),
      m_bus(QDBusConnection::connectToBus(
          QDBusConnection::SessionBus, QStringLiteral("standin-portal-%1").arg(++g_connections))) {
    m_connectionName = m_bus.name();
    qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
    qDBusRegisterMetaType<PortalShortcuts>();
    // The slots name the type by its alias, which the meta-object looks up by name.
    qRegisterMetaType<PortalShortcuts>("PortalShortcuts");
    if (m_features.registry)
        new StandInRegistry(this);
    m_bus.registerObject(kPath, this,
                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                             QDBusConnection::ExportAdaptors);
    const bool kde = desktop == PortalDesktop::plasma63 || desktop == PortalDesktop::plasma65;
    if (kde) {
        m_bus.registerObject(QStringLiteral("/kglobalaccel"), new StandInKGlobalAccel(this),
                             QDBusConnection::ExportAllSlots);
    }
    m_thread.start();
    moveToThread(&m_thread);
    m_bus.registerService(kService);
    if (kde)
        m_bus.registerService(kKGlobalAccel);
}

StandInPortal::~StandInPortal() {
    disconnectFromBus();
    inOwnThread([this] { moveToThread(m_thread.thread()); });
    m_thread.quit();
    m_thread.wait();
}

void StandInPortal::disconnectFromBus() {
    inOwnThread([this] {
        stopRepeats();
        if (m_connectionName.isEmpty())
            return;
        m_bus.unregisterService(kService);
        m_bus.unregisterObject(kPath);
        m_bus = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_connectionName.clear();
    });
}

void StandInRegistry::Register(const QString& appId, const QVariantMap&,
                               const QDBusMessage& message) {
    if (m_portal->m_associated.contains(message.service())) {
        message.setDelayedReply(true);
        m_portal->m_bus.send(message.createErrorReply(
            QStringLiteral("org.freedesktop.portal.Error.Failed"),
            QStringLiteral("Connection already associated with an application ID")));
        return;
    }
    m_portal->m_associated.insert(message.service());
    m_portal->m_appIds[message.service()] = appId;
    m_portal->m_lastAppId = appId;
}

QList<int> StandInKGlobalAccel::shortcutKeys(const QStringList& actionId) {
    const QString component = actionId.value(0);
    const QString id = actionId.value(1);
    if (!m_portal->m_stored.value(component).contains(id) || m_portal->m_heldElsewhere.contains(id))
        return {0};
    return {0x0C00004D}; // Ctrl+Alt+M in Qt's key encoding
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

bool StandInPortal::remembersComponents() const {
    return m_desktop != PortalDesktop::gnome48;
}

QDBusObjectPath StandInPortal::CreateSession(const QVariantMap& options,
                                             const QDBusMessage& message) {
    const QString appId = m_appIds.value(message.service());
    m_associated.insert(message.service());
    if (m_features.requireAppId && appId.isEmpty()) {
        message.setDelayedReply(true);
        m_bus.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"),
                                     QStringLiteral("An app id is required")));
        return {};
    }
    m_session = kPath + QStringLiteral("/session/") + senderElement(message) + QLatin1Char('/') +
                options.value(QStringLiteral("session_handle_token")).toString();
    m_component = appId.isEmpty() ? QStringLiteral("token_") +
                                        options.value(QStringLiteral("handle_token")).toString()
                                  : appId;
    m_sessionBinds = 0;
    m_sessionIds = remembersComponents() ? m_stored.value(m_component).keys() : QStringList();
    return respond(message, options, 0, {{QStringLiteral("session_handle"), m_session}});
}

void StandInPortal::store(const PortalShortcuts& shortcuts) {
    auto& stored = m_stored[m_component];
    for (const auto& [id, properties] : shortcuts) {
        if (!stored.contains(id))
            stored[id] = properties.value(QStringLiteral("preferred_trigger")).toString();
    }
}

QDBusObjectPath StandInPortal::BindShortcuts(const QDBusObjectPath&,
                                             const PortalShortcuts& shortcuts, const QString&,
                                             const QVariantMap& options,
                                             const QDBusMessage& message) {
    ++m_bindCalls;
    const bool cancel = std::exchange(m_cancelNext, false);
    QStringList ids;
    for (const auto& [id, properties] : shortcuts)
        ids << id;
    switch (m_desktop) {
    case PortalDesktop::gnome48: {
        const bool refused = m_appIds.value(message.service()).isEmpty() || m_sessionBinds++ > 0;
        const QStringList known = m_stored.value(m_component).keys();
        const bool newIds = std::any_of(ids.begin(), ids.end(),
                                        [&](const QString& id) { return !known.contains(id); });
        if (!refused && newIds)
            ++m_dialogsShown;
        if (refused || (newIds && cancel))
            return respond(message, options, 2, {});
        store(shortcuts);
        m_sessionIds = ids;
        return respond(message, options, 2, {{QStringLiteral("shortcuts"), shortcutsResult()}});
    }
    case PortalDesktop::plasma63:
    case PortalDesktop::plasma65:
        ++m_settingsPages;
        [[fallthrough]];
    case PortalDesktop::hyprland:
        if (cancel)
            return respond(message, options, 1, {});
        store(shortcuts);
        m_sessionIds = ids;
        return respond(message, options, 0, {{QStringLiteral("shortcuts"), shortcutsResult()}});
    }
    return {};
}

QDBusObjectPath StandInPortal::ListShortcuts(const QDBusObjectPath&, const QVariantMap& options,
                                             const QDBusMessage& message) {
    return respond(message, options, 0, {{QStringLiteral("shortcuts"), shortcutsResult()}});
}

QString StandInPortal::triggerText(const QString& trigger) const {
    // The portal's notation ("CTRL+ALT+LOGO+m") as each desktop describes it.
    QStringList parts = trigger.split(QLatin1Char('+'));
    const QString key = parts.takeLast();
    QString text;
    switch (m_desktop) {
    case PortalDesktop::gnome48:
        for (const QString& part : parts) {
            text += part == QLatin1String("CTRL") ? QStringLiteral("<Control>")
                    : part == QLatin1String("LOGO")
                        ? QStringLiteral("<Super>")
                        : QLatin1Char('<') + part.at(0) + part.mid(1).toLower() + QLatin1Char('>');
        }
        return QStringLiteral("Press ") + text + key;
    case PortalDesktop::hyprland:
        return {};
    default:
        // KDE writes Meta first.
        if (parts.removeAll(QStringLiteral("LOGO")) > 0)
            parts.prepend(QStringLiteral("LOGO"));
        for (const QString& part : parts) {
            text += (part == QLatin1String("LOGO") ? QStringLiteral("Meta")
                                                   : part.at(0) + part.mid(1).toLower()) +
                    QLatin1Char('+');
        }
        return text + key.toUpper();
    }
}

QVariant StandInPortal::shortcutsResult() const {
    PortalShortcuts list;
    const auto stored = m_stored.value(m_component);
    for (const QString& id : m_sessionIds) {
        list.append({id,
                     {{QStringLiteral("description"), id},
                      {QStringLiteral("trigger_description"), triggerText(stored.value(id))}}});
    }
    return QVariant::fromValue(list);
}

void StandInPortal::takeKeyElsewhere(const QString& id) {
    inOwnThread([this, id] { m_heldElsewhere.insert(id); });
}

void StandInPortal::emitKey(const char* signal) {
    auto message = QDBusMessage::createSignal(kPath, kInterface, QString::fromLatin1(signal));
    message << QVariant::fromValue(QDBusObjectPath(m_session)) << m_heldId
            << quint64(1700000000000ULL) << QVariantMap();
    m_bus.send(message);
}

void StandInPortal::press(const QString& id) {
    inOwnThread([this, id] {
        m_heldId = id;
        emitKey("Activated");
        if (m_desktop == PortalDesktop::gnome48 || m_desktop == PortalDesktop::plasma63)
            m_repeatTimer = startTimer(m_desktop == PortalDesktop::gnome48 ? 500 : 570);
        m_firstRepeat = true;
    });
}

void StandInPortal::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_repeatTimer)
        return;
    emitKey("Activated");
    ++m_repeats;
    if (std::exchange(m_firstRepeat, false)) {
        killTimer(m_repeatTimer);
        m_repeatTimer = startTimer(m_desktop == PortalDesktop::gnome48 ? 30 : 40);
    }
}

void StandInPortal::stopRepeats() {
    if (m_repeatTimer)
        killTimer(std::exchange(m_repeatTimer, 0));
}

void StandInPortal::release() {
    inOwnThread([this] {
        stopRepeats();
        emitKey("Deactivated");
    });
}

void StandInPortal::releaseModifierFirst() {
    if (m_desktop == PortalDesktop::gnome48)
        inOwnThread([this] { stopRepeats(); });
    else
        release();
}

void StandInPortal::closeSession() {
    inOwnThread([this] {
        m_bus.send(QDBusMessage::createSignal(m_session,
                                              QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Closed"))
                   << QVariantMap());
    });
}

void StandInPortal::reassign(const QString& id, const QString& trigger) {
    inOwnThread([this, id, trigger] {
        m_stored[m_component][id] = trigger;
        auto message =
            QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ShortcutsChanged"));
        message << QVariant::fromValue(QDBusObjectPath(m_session)) << shortcutsResult();
        m_bus.send(message);
    });
}

} // namespace quietlane::testing
