// SPDX-License-Identifier: GPL-3.0-or-later
// The portal session: create, list, bind, and the presses that come through it.
#include "shortcuts/portal/portalhotkeybackend.h"

#include "shortcuts/portal/portalbus.h"

#include "base/log.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>

namespace quietlane::GlobalShortcuts {

using namespace portal;

namespace {

// Without an application id KDE names the user's settings entry after this token: it must
// never change.
const QString kStableToken = QStringLiteral("quietlane");

const char* responseName(uint32_t code) {
    switch (PortalResponse(code)) {
    case PortalResponse::success:
        return "success";
    case PortalResponse::cancelled:
        return "cancelled";
    case PortalResponse::other:
        break;
    }
    return "other";
}

} // namespace

QString PortalHotkeyBackend::requestPath(const QString& token) const {
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void PortalHotkeyBackend::request(const QString& method, QList<QVariant> arguments,
                                  const QString& token, ResponseHandler onResponse) {
    // The answer comes as a signal on the request's path: listen before asking, or a
    // quick portal answers into the void.
    const QString path = requestPath(token);
    m_bus.connect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(QDBusMessage)));
    m_pending[path] = std::move(onResponse);
    auto message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, path, method] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            Log::error(Log::Category::app, "global shortcut: the desktop portal refused %s: %s",
                       qPrintable(method), qPrintable(reply.error().message()));
            const auto handler = m_pending.extract(path);
            if (!handler.empty())
                handler.mapped()(uint32_t(PortalResponse::other), {});
            return;
        }
        // Portals older than the token convention answer on a path of their own.
        const QString actual = reply.value().path();
        if (actual != path && m_pending.contains(path)) {
            m_bus.connect(kService, actual, kRequestInterface, QStringLiteral("Response"), this,
                          SLOT(onResponse(QDBusMessage)));
            m_pending[actual] = m_pending.extract(path).mapped();
        }
    });
}

void PortalHotkeyBackend::onResponse(const QDBusMessage& message) {
    const auto handler = m_pending.extract(message.path());
    m_bus.disconnect(kService, message.path(), kRequestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(QDBusMessage)));
    const QList<QVariant> arguments = message.arguments();
    if (handler.empty() || arguments.size() < 2)
        return;
    QVariantMap results;
    arguments.at(1).value<QDBusArgument>() >> results;
    handler.mapped()(arguments.at(0).toUInt(), results);
}

void PortalHotkeyBackend::scheduleSync() {
    if (m_syncScheduled)
        return;
    m_syncScheduled = true;
    // Registrations made together (a start, a key change) are bound together.
    QTimer::singleShot(0, this, &PortalHotkeyBackend::sync);
}

void PortalHotkeyBackend::sync() {
    m_syncScheduled = false;
    if (m_starting || m_syncRunning) {
        m_syncAgain = true; // when the registry or the current round is done
        return;
    }
    m_syncAgain = false;
    if (wanted().empty())
        return;
    m_syncRunning = true;
    if (m_session.isEmpty())
        createSession();
    else
        list([this] { bindMissing(); });
}

void PortalHotkeyBackend::createSession() {
    // The same token for every session: an earlier one is closed before a new one opens.
    const QVariantMap options{
        {QStringLiteral("handle_token"), kStableToken},
        {QStringLiteral("session_handle_token"), kStableToken},
        // KDE 5.27 binds what it finds here and ignores BindShortcuts' argument.
        {QStringLiteral("shortcuts"), shortcutList()},
    };
    request(QStringLiteral("CreateSession"), {options}, kStableToken,
            [this](uint32_t code, const QVariantMap& results) {
                if (code != uint32_t(PortalResponse::success)) {
                    Log::error(Log::Category::app,
                               "global shortcut: the desktop portal gave no shortcut session "
                               "(response %u, %s); mute with the widget or the tray icon",
                               code, responseName(code));
                    settle();
                    return;
                }
                m_session = textOf(results.value(QStringLiteral("session_handle")));
                m_boundOnSession = false;
                m_bus.connect(kService, m_session, kSessionInterface, QStringLiteral("Closed"),
                              this, SLOT(onSessionClosed(QDBusMessage)));
                list([this] { bindMissing(); });
            });
}

void PortalHotkeyBackend::reopenSession() {
    // GNOME refuses a second bind on one session: a fresh one binds what is missing.
    const QString old = std::exchange(m_session, QString());
    m_bus.disconnect(kService, old, kSessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    for (auto& [id, hold] : m_holds) {
        if (hold.cancel() == PortalKeyHold::Outcome::released && m_pressedBy.contains(id))
            deliver(m_pressedBy[id], HotkeyEvent::Kind::released);
    }
    auto close =
        QDBusMessage::createMethodCall(kService, old, kSessionInterface, QStringLiteral("Close"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(close, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        createSession();
    });
}

void PortalHotkeyBackend::list(std::function<void()> then, bool emptyMeansNone) {
    const QString token = QStringLiteral("quietlane_list%1").arg(++m_requestCount);
    request(QStringLiteral("ListShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, [this, then, emptyMeansNone](uint32_t code, const QVariantMap& results) {
                const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
                ShortcutEntries entries;
                if (shortcuts.canConvert<QDBusArgument>())
                    shortcuts.value<QDBusArgument>() >> entries;
                const bool empty = entries.isEmpty();
                if (code == uint32_t(PortalResponse::success) && (emptyMeansNone || !empty))
                    takeShortcuts(shortcuts);
                then();
            });
}

QStringList PortalHotkeyBackend::missing() const {
    QStringList ids;
    for (const Wanted& entry : wanted()) {
        if (!m_listed.contains(entry.portalId) && !ids.contains(entry.portalId))
            ids << entry.portalId;
    }
    return ids;
}

void PortalHotkeyBackend::bindMissing() {
    if (m_session.isEmpty() || missing().isEmpty()) {
        settle();
        return;
    }
    if (m_boundOnSession) {
        reopenSession();
        return;
    }
    m_boundOnSession = true;
    // The desktops take a bind's list as the session's whole set: send every shortcut,
    // and the desktop asks the user only about the new ones.
    const QString token = QStringLiteral("quietlane_bind%1").arg(++m_requestCount);
    const QList<QVariant> arguments{QVariant::fromValue(QDBusObjectPath(m_session)), shortcutList(),
                                    QString(),
                                    QVariantMap{{QStringLiteral("handle_token"), token}}};
    request(QStringLiteral("BindShortcuts"), arguments, token,
            [this](uint32_t code, const QVariantMap& results) {
                // GNOME 48.0 answers "other" on success and on cancel alike: what the desktop
                // lists afterwards is the answer. A success that names the shortcuts counts
                // even if the list comes back empty (KDE 5.27 may list none).
                Log::info(Log::Category::app, "global shortcut: the desktop answered the bind: %s",
                          responseName(code));
                const bool success = code == uint32_t(PortalResponse::success);
                if (success)
                    takeShortcuts(results.value(QStringLiteral("shortcuts")));
                list([this] { settle(); }, !success);
            });
}

void PortalHotkeyBackend::settle() {
    m_syncRunning = false;
    const QStringList left = missing();
    const bool bound = !m_session.isEmpty() && left.isEmpty();
    if (!bound && !m_session.isEmpty()) {
        Log::error(Log::Category::app,
                   "global shortcut: the desktop did not bind %s (cancelled, or refused); choose "
                   "the key again in the settings to retry",
                   qPrintable(left.join(QStringLiteral(", "))));
    }
    m_bound = bound;
    findUnheldKeys();
    emit bindingSettled(bound);
    if (m_syncAgain)
        scheduleSync();
}

void PortalHotkeyBackend::takeShortcuts(const QVariant& shortcuts) {
    if (!shortcuts.canConvert<QDBusArgument>())
        return;
    ShortcutEntries entries;
    shortcuts.value<QDBusArgument>() >> entries;
    std::map<QString, Listed> listed;
    for (const auto& [id, properties] : entries)
        listed[id].trigger = properties.value(QStringLiteral("trigger_description")).toString();
    if (listed == m_listed)
        return;
    m_listed = std::move(listed);
    for (const auto& [id, entry] : m_listed) {
        Log::info(Log::Category::app, "global shortcut: the desktop assigned \"%s\" to %s",
                  qPrintable(entry.trigger), qPrintable(id));
    }
    if (m_assignmentChanged)
        m_assignmentChanged();
}

void PortalHotkeyBackend::onShortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() >= 2 && !m_session.isEmpty() && textOf(arguments.at(0)) == m_session) {
        takeShortcuts(arguments.at(1));
        findUnheldKeys();
    }
}

void PortalHotkeyBackend::onSessionClosed(const QDBusMessage& message) {
    if (message.path() == m_session)
        forgetSession("the desktop closed the shortcut session");
}

void PortalHotkeyBackend::forgetSession(const char* why) {
    if (m_session.isEmpty() && !m_syncRunning)
        return;
    Log::error(Log::Category::app, "global shortcut: %s", why);
    for (auto& [id, hold] : m_holds) {
        if (hold.cancel() == PortalKeyHold::Outcome::released && m_pressedBy.contains(id))
            deliver(m_pressedBy[id], HotkeyEvent::Kind::released);
    }
    m_holdTimer.stop();
    m_session.clear();
    m_pending.clear();
    m_syncRunning = false;
    m_bound = false;
    m_listed.clear();
    m_unheld.clear();
    if (m_assignmentChanged)
        m_assignmentChanged();
}

QString PortalHotkeyBackend::portalIdOf(const QDBusMessage& message) const {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || textOf(arguments.at(0)) != m_session)
        return {};
    return arguments.at(1).toString();
}

std::optional<uint32_t> PortalHotkeyBackend::registrationOf(const QString& portalId) const {
    for (const Wanted& entry : wanted()) {
        if (entry.portalId == portalId)
            return entry.registration->id;
    }
    return std::nullopt;
}

void PortalHotkeyBackend::onActivated(const QDBusMessage& message) {
    const QString id = portalIdOf(message);
    const auto registration = registrationOf(id);
    if (!registration)
        return;
    if (m_holds[id].activated(m_now()) == PortalKeyHold::Outcome::pressed)
        press(id, *registration);
    armHoldTimer();
}

void PortalHotkeyBackend::press(const QString& portalId, uint32_t registrationId) {
    m_pressedBy[portalId] = registrationId;
    deliver(registrationId, HotkeyEvent::Kind::pressed);
}

void PortalHotkeyBackend::onDeactivated(const QDBusMessage& message) {
    const QString id = portalIdOf(message);
    const auto hold = m_holds.find(id);
    if (hold == m_holds.end())
        return;
    if (hold->second.deactivated(m_now()) == PortalKeyHold::Outcome::released)
        deliver(m_pressedBy[id], HotkeyEvent::Kind::released);
    armHoldTimer();
}

void PortalHotkeyBackend::armHoldTimer() {
    std::optional<PortalKeyHold::TimePoint> next;
    for (const auto& [id, hold] : m_holds) {
        if (const auto due = hold.deadline(); due && (!next || *due < *next))
            next = due;
    }
    if (!next) {
        m_holdTimer.stop();
        return;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - m_now());
    m_holdTimer.start(int(std::max<int64_t>(0, wait.count())));
}

void PortalHotkeyBackend::endExpiredHolds() {
    const auto now = m_now();
    for (auto& [id, hold] : m_holds) {
        const auto silence = hold.sinceLastSign(now);
        switch (hold.expire(now)) {
        case PortalKeyHold::Outcome::none:
            break;
        case PortalKeyHold::Outcome::pressed:
            if (const auto registration = registrationOf(id))
                press(id, *registration);
            break;
        case PortalKeyHold::Outcome::released:
            Log::notice(Log::Category::app,
                        "global shortcut released without a release from the desktop (%lld ms "
                        "after its last repeat); the microphone is back as before the press",
                        static_cast<long long>(silence.count()));
            deliver(m_pressedBy[id], HotkeyEvent::Kind::released);
            break;
        }
    }
    armHoldTimer();
}

void PortalHotkeyBackend::deliver(uint32_t registrationId, HotkeyEvent::Kind kind) {
    const auto registration = m_registrations.find(registrationId);
    if (registration == m_registrations.end() || !m_handler)
        return;
    const EventHandler handler = m_handler;
    handler({kind, registrationId});
}

} // namespace quietlane::GlobalShortcuts
