// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/portal/portalhotkeybackend.h"

#include "shortcuts/portal/portalbus.h"

#include "base/log.h"
#include "shortcuts/portaltrigger.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>

namespace quietlane::GlobalShortcuts {

using namespace portal;

namespace {

// A desktop entry written a moment ago may not be seen yet (measured: 0.2 s).
constexpr int kRegisterRetries = 4;
constexpr int kRegisterRetryMs = 250;
const QString kKGlobalAccel = QStringLiteral("org.kde.kglobalaccel");
// Without an application id KDE files the shortcuts under this component.
const QString kTokenComponent = QStringLiteral("token_quietlane");

QString descriptionOf(const std::string& name) {
    if (name == "toggleMute")
        return QCoreApplication::translate("PortalHotkeyBackend",
                                           "Включить или выключить микрофон (Quietlane)");
    if (name == "mute")
        return QCoreApplication::translate("PortalHotkeyBackend", "Выключить микрофон (Quietlane)");
    if (name == "unmute")
        return QCoreApplication::translate("PortalHotkeyBackend", "Включить микрофон (Quietlane)");
    if (name == "pushToMute")
        return QCoreApplication::translate("PortalHotkeyBackend",
                                           "Выключить микрофон, пока клавиша зажата (Quietlane)");
    return QString::fromStdString(name) + QStringLiteral(" (Quietlane)");
}

// Whether a key list from kglobalaccel (KF5: ai, KF6: a(ai)) holds any key at all.
bool holdsAnyKey(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        bool any = false;
        if (argument.currentType() == QDBusArgument::ArrayType) {
            argument.beginArray();
            while (!argument.atEnd())
                any = holdsAnyKey(argument.asVariant()) || any;
            argument.endArray();
        } else if (argument.currentType() == QDBusArgument::StructureType) {
            argument.beginStructure();
            while (!argument.atEnd())
                any = holdsAnyKey(argument.asVariant()) || any;
            argument.endStructure();
        }
        return any;
    }
    if (value.metaType().id() == QMetaType::QVariantList) {
        const QVariantList items = value.toList();
        return std::any_of(items.begin(), items.end(), holdsAnyKey);
    }
    if (value.canConvert<QList<int>>()) {
        const QList<int> keys = value.value<QList<int>>();
        if (!keys.isEmpty())
            return std::any_of(keys.begin(), keys.end(), [](int key) { return key != 0; });
    }
    return value.toInt() != 0;
}

} // namespace

std::unique_ptr<PortalHotkeyBackend>
PortalHotkeyBackend::open(const QString& appId, std::string& error,
                          const std::function<void()>& beforeRegistering, Now now) {
    // The probe goes over the shared connection: the backend's own must start with the
    // registry.
    const QDBusConnection shared = QDBusConnection::sessionBus();
    if (!shared.isConnected()) {
        error = "no session bus";
        return nullptr;
    }
    qDBusRegisterMetaType<ShortcutEntry>();
    qDBusRegisterMetaType<ShortcutEntries>();
    auto message = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << kInterface << QStringLiteral("version");
    const QDBusMessage reply = shared.call(message, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        error =
            "no desktop portal offers GlobalShortcuts (" + reply.errorMessage().toStdString() + ")";
        return nullptr;
    }
    const uint version = reply.arguments().value(0).value<QDBusVariant>().variant().toUInt();
    if (beforeRegistering)
        beforeRegistering();
    static int connections = 0;
    QDBusConnection own = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("quietlane-portal-%1").arg(++connections));
    if (!own.isConnected()) {
        error = "cannot open a connection of its own to the session bus";
        return nullptr;
    }
    return std::unique_ptr<PortalHotkeyBackend>(
        new PortalHotkeyBackend(own, appId, version, std::move(now)));
}

PortalHotkeyBackend::PortalHotkeyBackend(QDBusConnection bus, const QString& appId, uint version,
                                         Now now)
    : m_bus(std::move(bus)), m_appId(appId), m_version(version), m_now(std::move(now)) {
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, &PortalHotkeyBackend::endExpiredHolds);
    // A slot taking only the message receives the signal whatever types the desktop sends.
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("Deactivated"), this,
                  SLOT(onDeactivated(QDBusMessage)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ShortcutsChanged"), this,
                  SLOT(onShortcutsChanged(QDBusMessage)));
    m_portalWatcher =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_portalWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                forgetSession("the desktop portal left the session bus");
                // A restarted portal knows nothing of us: register and bind again.
                m_appIdRegistered = false;
                if (!newOwner.isEmpty())
                    registerAppId(0);
            });
    registerAppId(0);
}

PortalHotkeyBackend::~PortalHotkeyBackend() {
    if (!m_session.isEmpty()) {
        m_bus.call(QDBusMessage::createMethodCall(kService, m_session, kSessionInterface,
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
    }
    QDBusConnection::disconnectFromBus(m_bus.name());
}

void PortalHotkeyBackend::registerAppId(int attempt) {
    m_starting = true;
    auto message = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    message << m_appId << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, attempt] {
        watcher->deleteLater();
        const QDBusPendingReply<> reply = *watcher;
        const QString name = reply.isError() ? reply.error().name() : QString();
        const QString text = reply.isError() ? reply.error().message() : QString();
        if (!reply.isError()) {
            m_appIdRegistered = true;
        } else if (name.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Unknown"))) {
            // Portals before 1.19.4 have no registry and take the id from elsewhere.
        } else if (text.contains(QStringLiteral("already associated"))) {
            Log::notice(Log::Category::app,
                        "global shortcut: the desktop portal already knows this connection");
        } else if (attempt < kRegisterRetries) {
            QTimer::singleShot(kRegisterRetryMs, this,
                               [this, attempt] { registerAppId(attempt + 1); });
            return;
        } else {
            Log::error(Log::Category::app,
                       "global shortcut: the desktop portal did not take the application id %s "
                       "(%s); the desktop may refuse the shortcut. Its desktop entry %s.desktop "
                       "must be installed with a program that exists",
                       qPrintable(m_appId), qPrintable(text), qPrintable(m_appId));
        }
        m_starting = false;
        scheduleSync();
    });
}

HotkeyRefusal PortalHotkeyBackend::registerHotkey(const Shortcut& shortcut, uint32_t id) {
    m_registrations.insert_or_assign(id, Registration{shortcut, id});
    scheduleSync();
    return HotkeyRefusal::none;
}

void PortalHotkeyBackend::unregisterHotkey(uint32_t id) {
    if (m_registrations.erase(id))
        scheduleSync();
}

std::optional<std::string> PortalHotkeyBackend::assignedTrigger(const Shortcut& shortcut) const {
    for (const Wanted& entry : wanted()) {
        if (entry.registration->shortcut != shortcut)
            continue;
        const auto listed = m_listed.find(entry.portalId);
        if (listed == m_listed.end())
            continue;
        // Listed without a key (Hyprland binds in its own config): our key would be a lie.
        return readableTrigger(listed->second.trigger.toStdString()).value_or(std::string());
    }
    return std::nullopt;
}

bool PortalHotkeyBackend::isKeyUnheld(const Shortcut& shortcut) const {
    for (const Wanted& entry : wanted()) {
        if (entry.registration->shortcut == shortcut && m_unheld.contains(entry.portalId))
            return true;
    }
    return false;
}

void PortalHotkeyBackend::configure() {
    if (!canConfigure())
        return;
    auto message = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                  QStringLiteral("ConfigureShortcuts"));
    message << QVariant::fromValue(QDBusObjectPath(m_session)) << QString() << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher] {
        watcher->deleteLater();
        if (watcher->isError()) {
            Log::error(Log::Category::app,
                       "global shortcut: the desktop could not open its shortcut settings: %s",
                       qPrintable(watcher->error().message()));
        }
    });
}

std::vector<PortalHotkeyBackend::Wanted> PortalHotkeyBackend::wanted() const {
    std::vector<Wanted> result;
    for (const auto& [id, registration] : m_registrations) {
        std::vector<std::string> names =
            m_names ? m_names(registration.shortcut) : std::vector<std::string>{"toggleMute"};
        for (const std::string& name : names) {
            result.push_back({QString::fromStdString(portalShortcutId(name)), descriptionOf(name),
                              &registration});
        }
    }
    return result;
}

QVariant PortalHotkeyBackend::shortcutList() const {
    ShortcutEntries entries;
    for (const Wanted& entry : wanted()) {
        QVariantMap properties{{QStringLiteral("description"), entry.description}};
        if (const auto trigger = portalTrigger(entry.registration->shortcut))
            properties[QStringLiteral("preferred_trigger")] = QString::fromStdString(*trigger);
        entries.append({entry.portalId, properties});
    }
    return QVariant::fromValue(entries);
}

void PortalHotkeyBackend::findUnheldKeys() {
    // KDE lists the key it was offered even when another program holds it; kglobalaccel
    // knows the truth. Other desktops have no such service and list what they hold.
    QSet<QString> unheld;
    const auto* interface = m_bus.interface();
    if (interface && interface->isServiceRegistered(kKGlobalAccel).value()) {
        const QString component = m_appIdRegistered ? m_appId : kTokenComponent;
        for (const auto& [id, entry] : m_listed) {
            auto message = QDBusMessage::createMethodCall(
                kKGlobalAccel, QStringLiteral("/kglobalaccel"),
                QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("shortcutKeys"));
            message << QStringList{component, id, QString(), QString()};
            const QDBusMessage reply = m_bus.call(message, QDBus::Block, 2000);
            const bool held = reply.type() == QDBusMessage::ReplyMessage &&
                              holdsAnyKey(reply.arguments().value(0));
            if (entry.trigger.isEmpty() || !held)
                unheld.insert(id);
        }
    }
    if (unheld == m_unheld)
        return;
    m_unheld = unheld;
    for (const QString& id : m_unheld) {
        Log::error(Log::Category::app,
                   "global shortcut: the desktop reports a key for %s but holds none (another "
                   "program may have it); choose another key in the desktop's shortcut settings",
                   qPrintable(id));
    }
    if (m_assignmentChanged)
        m_assignmentChanged();
}

} // namespace quietlane::GlobalShortcuts
