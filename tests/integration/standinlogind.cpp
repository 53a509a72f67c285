// SPDX-License-Identifier: GPL-3.0-or-later
#include "standinlogind.h"

#include <QDBusMessage>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace quietlane::testing {

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
} // namespace

StandInLogind::StandInLogind(const QString& address, std::function<bool()> mutedNow)
    : m_mutedNow(std::move(mutedNow)),
      m_bus(QDBusConnection::connectToBus(address, QStringLiteral("standin-logind"))) {
    m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
    m_thread.start();
    moveToThread(&m_thread);
    m_bus.registerService(kService);
}

StandInLogind::~StandInLogind() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bus.unregisterObject(kPath);
            QDBusConnection::disconnectFromBus(m_bus.name());
            moveToThread(m_thread.thread());
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

std::optional<bool> StandInLogind::mutedAtRelease() const {
    const int muted = m_mutedAtRelease;
    if (muted < 0)
        return std::nullopt;
    return muted != 0;
}

QDBusUnixFileDescriptor StandInLogind::Inhibit(const QString&, const QString&, const QString&,
                                               const QString&) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    // The caller holds the write end; its closing is the release.
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this,
            [this, notifier, fd = fds[0]] { released(notifier, fd); });
    const QDBusUnixFileDescriptor handed(fds[1]);
    ::close(fds[1]);
    ++m_held;
    return handed;
}

void StandInLogind::released(QSocketNotifier* notifier, int fd) {
    char byte;
    if (::read(fd, &byte, 1) != 0)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    ::close(fd);
    if (--m_held == 0) {
        // Counted first: asking the sound server may wait for it.
        ++m_releases;
        m_mutedAtRelease = m_mutedNow() ? 1 : 0;
    }
}

QDBusObjectPath StandInLogind::GetSessionByPID(uint) {
    return QDBusObjectPath(QString::fromLatin1(kSessionPath));
}

void StandInLogind::emitSignal(const QString& path, const QString& interface, const QString& name,
                               const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    m_bus.send(signal);
}

void StandInLogind::setSessionLocked(bool locked) {
    emitSignal(QString::fromLatin1(kSessionPath), QStringLiteral("org.freedesktop.login1.Session"),
               locked ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
}

void StandInLogind::prepareForSleep(bool start) {
    emitSignal(kPath, QStringLiteral("org.freedesktop.login1.Manager"),
               QStringLiteral("PrepareForSleep"), {start});
}

} // namespace quietlane::testing
