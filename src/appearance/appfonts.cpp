// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/appfonts.h"

#include "base/log.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

namespace quietlane::AppFonts {

namespace {

bool g_interRegistered = false;

// Debian's fonts-inter. Fontconfig usually lists the faces already; registering them by
// file as well keeps them available where it does not (a minimal or sandboxed session).
QStringList defaultDirectories() {
    return {QStringLiteral("/usr/share/fonts/opentype/inter")};
}

} // namespace

void registerBundled(const QStringList& searchDirectories) {
    const QStringList directories =
        searchDirectories.isEmpty() ? defaultDirectories() : searchDirectories;
    for (const char* face : {"Inter-Regular", "Inter-Medium", "Inter-SemiBold"}) {
        QString found;
        for (const QString& directory : directories) {
            const QString candidate = QDir(directory).filePath(QLatin1String(face) + ".otf");
            if (QFileInfo::exists(candidate)) {
                found = candidate;
                break;
            }
        }
        if (found.isEmpty()) {
            Log::error(Log::Category::app, "font not found in bundle: %s", face);
            continue;
        }
        if (QFontDatabase::addApplicationFont(found) >= 0)
            g_interRegistered = true;
    }
}

QFont interfaceFont(double pointSize, Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (g_interRegistered || QFontDatabase::hasFamily(QStringLiteral("Inter"))) {
        font.setFamily(QStringLiteral("Inter"));
        switch (weight) {
        case Weight::semibold:
            font.setStyleName(QStringLiteral("Semi Bold"));
            break;
        case Weight::medium:
            font.setStyleName(QStringLiteral("Medium"));
            break;
        case Weight::regular:
            font.setStyleName(QStringLiteral("Regular"));
            break;
        }
    } else {
        font.setWeight(weight == Weight::semibold ? QFont::DemiBold
                       : weight == Weight::medium ? QFont::Medium
                                                  : QFont::Normal);
    }
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace quietlane::AppFonts
