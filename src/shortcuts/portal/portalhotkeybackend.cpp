// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/portal/portalhotkeybackend.h"

#include "base/log.h"
#include "shortcuts/portaltrigger.h"

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

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// KDE names the user's settings entry after this token: it must never change.
const QString kStableToken = QStringLiteral("quietlane");
const QString kShortcutId = QStringLiteral("toggle-mute");
constexpr int kPortalTimeoutMs = 5000;
// Outside the range of X error codes, like the X backend's own refusals.
constexpr int kOnlyOneShortcut = 1003;

using ShortcutEntry = QPair<QString, QVariantMap>;
using ShortcutEntries = QList<ShortcutEntry>;

QString textOf(const QVariant& value) {
    // KDE 5.27 sends the session handle as a string, the interface says object path.
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

std::unique_ptr<PortalHotKeyBackend>
PortalHotKeyBackend::open(const QDBusConnection& bus, KeyRepeat repeat, std::string& error) {
    if (!bus.isConnected()) {
        error = "no session bus";
        return nullptr;
    }
    qDBusRegisterMetaType<ShortcutEntry>();
    qDBusRegisterMetaType<ShortcutEntries>();
    auto message = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << kInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(message, QDBus::Block, kPortalTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        error =
            "no desktop portal offers GlobalShortcuts (" + reply.errorMessage().toStdString() + ")";
        return nullptr;
    }
    return std::unique_ptr<PortalHotKeyBackend>(new PortalHotKeyBackend(bus, repeat));
}

PortalHotKeyBackend::PortalHotKeyBackend(const QDBusConnection& bus, KeyRepeat repeat)
    : m_bus(bus), m_repeat(repeat) {
    m_holdWatchdog.setSingleShot(true);
    connect(&m_holdWatchdog, &QTimer::timeout, this, [this] { endHold(true); });
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
                // A restarted portal knows nothing of us: bind again.
                if (!newOwner.isEmpty() && m_registration)
                    createSession();
            });
}

PortalHotKeyBackend::~PortalHotKeyBackend() {
    if (!m_session.isEmpty()) {
        m_bus.call(QDBusMessage::createMethodCall(kService, m_session,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
    }
}

int PortalHotKeyBackend::registerHotKey(const Shortcut& shortcut, uint32_t signature, uint32_t id,
                                        const HotKeyLabel& label) {
    // This session binds one shortcut: another one would silently take the main one's
    // place, so it is refused (and the recorder says so) until several can be bound.
    if (label.id != kShortcutId.toStdString())
        return kOnlyOneShortcut;
    m_registration = Registration{shortcut, signature, id};
    if (m_bound && m_boundShortcut == shortcut)
        return 0; // the same key back after a pause: the desktop still has it
    if (!m_session.isEmpty())
        bind();
    else if (!m_sessionPending)
        createSession();
    return 0;
}

void PortalHotKeyBackend::unregisterHotKey(uint32_t id) {
    if (!m_registration || m_registration->id != id)
        return;
    m_registration.reset();
    m_holding = false;
    m_holdWatchdog.stop();
}

std::optional<std::string> PortalHotKeyBackend::characterForKey(int64_t carbonKeyCode) const {
    return usLayoutCharacter(carbonKeyCode);
}

std::optional<std::string> PortalHotKeyBackend::assignedTrigger(const Shortcut& shortcut) const {
    if (!m_bound || m_boundShortcut != shortcut || m_trigger.isEmpty())
        return std::nullopt;
    return m_trigger.toStdString();
}

QString PortalHotKeyBackend::requestPath(const QString& token) const {
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void PortalHotKeyBackend::request(const QString& method, QList<QVariant> arguments,
                                  const QString& token, ResponseHandler onResponse) {
    // The answer comes as a signal on the request's path: listen before asking, or a
    // quick portal answers into the void.
    const QString path = requestPath(token);
    m_bus.connect(kService, path, QStringLiteral("org.freedesktop.portal.Request"),
                  QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
    m_pending[path] = std::move(onResponse);
    auto message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kPortalTimeoutMs), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, watcher, path, method](QDBusPendingCallWatcher*) {
            watcher->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
            if (reply.isError()) {
                Log::error(Log::Category::app, "global shortcut: the desktop portal refused %s: %s",
                           qPrintable(method), qPrintable(reply.error().message()));
                const auto handler = m_pending.extract(path);
                if (!handler.empty())
                    handler.mapped()(2, {});
                return;
            }
            // Portals older than the token convention answer on a path of their own.
            const QString actual = reply.value().path();
            if (actual != path && m_pending.contains(path)) {
                m_bus.connect(kService, actual, QStringLiteral("org.freedesktop.portal.Request"),
                              QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
                m_pending[actual] = m_pending.extract(path).mapped();
            }
        });
}

void PortalHotKeyBackend::onResponse(const QDBusMessage& message) {
    const auto handler = m_pending.extract(message.path());
    m_bus.disconnect(kService, message.path(), QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
    const QList<QVariant> arguments = message.arguments();
    if (handler.empty() || arguments.size() < 2)
        return;
    const uint32_t code = arguments.at(0).toUInt();
    QVariantMap results;
    arguments.at(1).value<QDBusArgument>() >> results;
    handler.mapped()(code, results);
}

QList<QVariant> PortalHotKeyBackend::shortcutList() const {
    QVariantMap properties{{QStringLiteral("description"),
                            QStringLiteral("Mute or unmute the microphone (Quietlane)")}};
    if (const auto trigger = portalTrigger(m_registration->shortcut))
        properties[QStringLiteral("preferred_trigger")] = QString::fromStdString(*trigger);
    return {QVariant::fromValue(ShortcutEntries{{kShortcutId, properties}})};
}

void PortalHotKeyBackend::createSession() {
    if (!m_registration)
        return;
    m_sessionPending = true;
    const QVariantMap options{
        {QStringLiteral("handle_token"), kStableToken},
        {QStringLiteral("session_handle_token"), kStableToken},
        // KDE 5.27 binds what it finds here and ignores BindShortcuts' argument.
        {QStringLiteral("shortcuts"), shortcutList().constFirst()},
    };
    request(QStringLiteral("CreateSession"), {options}, kStableToken,
            [this](uint32_t code, const QVariantMap& results) {
                m_sessionPending = false;
                if (code != 0) {
                    Log::error(Log::Category::app,
                               "global shortcut: the desktop portal gave no shortcut session "
                               "(response %u); mute with the widget or the tray icon",
                               code);
                    emit bindingSettled(false);
                    return;
                }
                const QVariant handle = results.value(QStringLiteral("session_handle"));
                m_kdeQuirks = handle.metaType().id() == QMetaType::QString;
                // Before the first repeat is seen, only KDE is known to repeat.
                m_repeatsWhileHeld = m_repeatsWhileHeld || m_kdeQuirks;
                m_session = textOf(handle);
                m_bus.connect(kService, m_session, QStringLiteral("org.freedesktop.portal.Session"),
                              QStringLiteral("Closed"), this, SLOT(onSessionClosed(QDBusMessage)));
                bind();
            });
}

void PortalHotKeyBackend::bind() {
    if (!m_registration || m_session.isEmpty())
        return;
    const QString token = QStringLiteral("quietlane_bind%1").arg(++m_requestCount);
    const Shortcut wanted = m_registration->shortcut;
    QList<QVariant> arguments{QVariant::fromValue(QDBusObjectPath(m_session))};
    arguments += shortcutList();
    arguments << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    request(QStringLiteral("BindShortcuts"), arguments, token,
            [this, wanted](uint32_t code, const QVariantMap& results) {
                if (code == 1) {
                    Log::notice(Log::Category::app,
                                "global shortcut: binding cancelled in the desktop's dialog; "
                                "choose the key again in the settings to retry");
                } else if (code != 0) {
                    Log::error(Log::Category::app,
                               "global shortcut: the desktop portal could not bind the shortcut "
                               "(response %u)",
                               code);
                }
                m_bound = code == 0;
                m_boundShortcut = m_bound ? std::optional(wanted) : std::nullopt;
                if (m_bound)
                    takeShortcuts(results.value(QStringLiteral("shortcuts")));
                emit bindingSettled(m_bound);
                if (m_bound)
                    list();
            });
}

void PortalHotKeyBackend::list() {
    const QString token = QStringLiteral("quietlane_list%1").arg(++m_requestCount);
    request(QStringLiteral("ListShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, [this](uint32_t code, const QVariantMap& results) {
                if (code == 0)
                    takeShortcuts(results.value(QStringLiteral("shortcuts")));
            });
}

void PortalHotKeyBackend::takeShortcuts(const QVariant& shortcuts) {
    if (!shortcuts.canConvert<QDBusArgument>())
        return;
    ShortcutEntries entries;
    shortcuts.value<QDBusArgument>() >> entries;
    for (const auto& [id, properties] : entries) {
        if (id != kShortcutId)
            continue;
        const QString trigger = properties.value(QStringLiteral("trigger_description")).toString();
        if (trigger == m_trigger)
            return;
        m_trigger = trigger;
        Log::info(Log::Category::app, "global shortcut: the desktop assigned \"%s\"",
                  qPrintable(trigger));
        if (m_assignmentChanged)
            m_assignmentChanged();
    }
}

void PortalHotKeyBackend::onShortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() >= 2 && !m_session.isEmpty() && textOf(arguments.at(0)) == m_session)
        takeShortcuts(arguments.at(1));
}

void PortalHotKeyBackend::onSessionClosed(const QDBusMessage& message) {
    if (message.path() == m_session)
        forgetSession("the desktop closed the shortcut session");
}

void PortalHotKeyBackend::forgetSession(const char* why) {
    if (m_session.isEmpty() && !m_sessionPending)
        return;
    Log::error(Log::Category::app, "global shortcut: %s", why);
    if (m_holding)
        endHold(true);
    m_session.clear();
    m_sessionPending = false;
    m_bound = false;
    m_boundShortcut.reset();
    m_trigger.clear();
    if (m_assignmentChanged)
        m_assignmentChanged();
}

bool PortalHotKeyBackend::isOurs(const QDBusMessage& message) const {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || !m_registration)
        return false;
    return textOf(arguments.at(0)) == m_session && arguments.at(1).toString() == kShortcutId;
}

void PortalHotKeyBackend::onActivated(const QDBusMessage& message) {
    if (!isOurs(message))
        return;
    if (m_holding) {
        // The desktop repeats Activated while the key stays down: the same press.
        m_repeatSeen = true;
        m_repeatsWhileHeld = true;
        m_lastActivation.restart();
        armHoldWatchdog();
        return;
    }
    m_holding = true;
    m_repeatSeen = false;
    m_lastActivation.restart();
    armHoldWatchdog();
    deliver(HotKeyEvent::Kind::pressed);
}

void PortalHotKeyBackend::onDeactivated(const QDBusMessage& message) {
    if (isOurs(message) && m_holding)
        endHold(false);
}

void PortalHotKeyBackend::armHoldWatchdog() {
    if (!m_repeatsWhileHeld || !m_repeat.enabled)
        return;
    // Before the first repeat the key may be down for the whole repeat delay; after it,
    // a few missed intervals mean the key is up.
    // Generous, since a real release still comes as Deactivated: this only catches a lost
    // one, and a too eager end would cut the user off while they talk.
    const int timeout =
        m_repeatSeen ? std::max(3 * m_repeat.intervalMs, 250) : m_repeat.delayMs + 150;
    m_holdWatchdog.start(timeout);
}

void PortalHotKeyBackend::endHold(bool lost) {
    if (!m_holding)
        return;
    m_holding = false;
    m_holdWatchdog.stop();
    if (lost) {
        Log::notice(Log::Category::app,
                    "global shortcut released without a release from the desktop (%lld ms "
                    "after its last sign); the microphone is back as before the press",
                    static_cast<long long>(m_lastActivation.elapsed()));
    }
    deliver(HotKeyEvent::Kind::released);
}

void PortalHotKeyBackend::deliver(HotKeyEvent::Kind kind) {
    if (!m_registration || !m_handler)
        return;
    const EventHandler handler = m_handler;
    handler({kind, m_registration->signature, m_registration->id});
}

} // namespace quietlane::GlobalShortcuts
