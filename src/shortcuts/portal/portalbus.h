// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusObjectPath>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// The portal's names, shared by the backend's files.
namespace quietlane::GlobalShortcuts::portal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
inline const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
inline const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr int kTimeoutMs = 5000;

using ShortcutEntry = QPair<QString, QVariantMap>;
using ShortcutEntries = QList<ShortcutEntry>;

/// Every desktop measured sends CreateSession's handle as a string; the signals carry an
/// object path, as the interface says.
inline QString textOf(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace quietlane::GlobalShortcuts::portal
