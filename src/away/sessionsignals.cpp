// SPDX-License-Identifier: GPL-3.0-or-later
#include "away/sessionsignals.h"

#include "base/log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace quietlane {

namespace {

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");

struct ScreenSaver {
    QString service;
    QString path;
};

// KDE announces on both of its paths; GNOME Shell under its own name.
const ScreenSaver kScreenSavers[] = {
    {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/ScreenSaver")},
    {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver")},
    {QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver")},
};

// Start-up must not hang on a system bus that does not answer.
constexpr int kLookupTimeoutMs = 1000;

QString sessionFrom(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
}

} // namespace

SessionSignals::SessionSignals(QObject* parent) : QObject(parent) {}

SessionSignals::~SessionSignals() {
    if (m_inhibitor >= 0)
        ::close(m_inhibitor);
}

QString SessionSignals::ownSessionPath() const {
    QDBusConnection system = QDBusConnection::systemBus();
    QDBusMessage byPid = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kManager,
                                                        QStringLiteral("GetSessionByPID"));
    byPid << quint32(::getpid());
    QString path = sessionFrom(system.call(byPid, QDBus::Block, kLookupTimeoutMs));
    // Programs started by the user's service manager belong to no session themselves.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (path.isEmpty() && !id.isEmpty()) {
        QDBusMessage byId = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kManager,
                                                           QStringLiteral("GetSession"));
        byId << id;
        path = sessionFrom(system.call(byId, QDBus::Block, kLookupTimeoutMs));
    }
    return path;
}

void SessionSignals::watchLock(bool on) {
    if (on == m_watchingLock)
        return;
    m_watchingLock = on;
    if (on && m_sessionPath.isEmpty() && QDBusConnection::systemBus().isConnected()) {
        m_sessionPath = ownSessionPath();
        if (m_sessionPath.isEmpty())
            Log::notice(Log::Category::app,
                        "no login session found for this process: the screen lock is followed "
                        "through the screen saver alone");
    }
    connectLockSignals(on);
    if (!on)
        m_locked = false;
}

void SessionSignals::connectLockSignals(bool on) {
    QDBusConnection session = QDBusConnection::sessionBus();
    for (const ScreenSaver& saver : kScreenSavers) {
        // Each announces on an interface named as its service.
        const QString& interface = saver.service;
        if (on)
            session.connect(saver.service, saver.path, interface, QStringLiteral("ActiveChanged"),
                            this, SLOT(screenSaverActiveChanged(bool)));
        else
            session.disconnect(saver.service, saver.path, interface,
                               QStringLiteral("ActiveChanged"), this,
                               SLOT(screenSaverActiveChanged(bool)));
    }
    if (m_sessionPath.isEmpty())
        return;
    QDBusConnection system = QDBusConnection::systemBus();
    if (on) {
        system.connect(kLogin1, m_sessionPath, kSession, QStringLiteral("Lock"), this,
                       SLOT(sessionLocked()));
        system.connect(kLogin1, m_sessionPath, kSession, QStringLiteral("Unlock"), this,
                       SLOT(sessionUnlocked()));
    } else {
        system.disconnect(kLogin1, m_sessionPath, kSession, QStringLiteral("Lock"), this,
                          SLOT(sessionLocked()));
        system.disconnect(kLogin1, m_sessionPath, kSession, QStringLiteral("Unlock"), this,
                          SLOT(sessionUnlocked()));
    }
}

void SessionSignals::watchSuspend(bool on) {
    if (on == m_watchingSuspend)
        return;
    m_watchingSuspend = on;
    QDBusConnection system = QDBusConnection::systemBus();
    if (on) {
        system.connect(kLogin1, kLogin1Path, kManager, QStringLiteral("PrepareForSleep"), this,
                       SLOT(prepareForSleep(bool)));
        takeInhibitor();
    } else {
        system.disconnect(kLogin1, kLogin1Path, kManager, QStringLiteral("PrepareForSleep"), this,
                          SLOT(prepareForSleep(bool)));
        allowSleep();
    }
}

void SessionSignals::takeInhibitor() {
    if (m_inhibitor >= 0 || m_inhibitorRequested)
        return;
    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected())
        return;
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kManager, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep") << QStringLiteral("Quietlane")
            << QStringLiteral("Muting the microphone before sleep") << QStringLiteral("delay");
    m_inhibitorRequested = true;
    auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(inhibit), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                m_inhibitorRequested = false;
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
                call->deleteLater();
                if (reply.isError()) {
                    Log::notice(Log::Category::app,
                                "cannot delay sleep until the microphone is muted: %s",
                                qPrintable(reply.error().message()));
                    return;
                }
                if (!m_watchingSuspend || m_inhibitor >= 0)
                    return;
                // Our own copy: the reply's goes with it, and no child may inherit it and
                // hold the machine awake.
                m_inhibitor = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
                if (m_inhibitor >= 0)
                    emit sleepInhibitorTaken();
            });
}

void SessionSignals::allowSleep() {
    if (m_inhibitor < 0)
        return;
    ::close(m_inhibitor);
    m_inhibitor = -1;
}

void SessionSignals::setLocked(bool locked) {
    if (!m_watchingLock || locked == m_locked)
        return;
    m_locked = locked;
    emit lockChanged(locked);
}

void SessionSignals::screenSaverActiveChanged(bool active) {
    setLocked(active);
}

void SessionSignals::sessionLocked() {
    setLocked(true);
}

void SessionSignals::sessionUnlocked() {
    setLocked(false);
}

void SessionSignals::prepareForSleep(bool start) {
    if (start) {
        emit preparingForSleep();
        return;
    }
    // The previous inhibitor may still be held (logind gave up waiting first): the
    // listeners let go of it before a new one is asked for.
    emit resumed();
    if (m_watchingSuspend)
        takeInhibitor();
}

} // namespace quietlane
