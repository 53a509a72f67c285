// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/trayicon.h"

#include "widget/micglyph.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace quietlane::TrayIcon {

QIcon drawn(bool available, bool muted) {
    // The panel's colour is unknown (the program's own palette says nothing about it).
    QIcon result;
    QColor fill(242, 242, 242);
    QColor outline(24, 24, 24);
    if (!available) {
        fill.setAlphaF(0.55f);
        outline.setAlphaF(0.55f);
        muted = false;
    }
    for (int side : {16, 22, 24, 32, 48}) {
        const double width = std::max(1.0, side / 16.0);
        const QRectF glyph = QRectF(0, 0, side, side).adjusted(width, width, -width, -width);
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        MicGlyph::paintHalo(painter, glyph, muted, outline, width, /*cutOut=*/true);
        MicGlyph::paint(painter, glyph, fill, muted, fill, /*cutOut=*/true);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

QIcon icon(bool available, bool muted) {
    // Symbolic theme icons let the panel tint them for its own background. Themes have no
    // "microphone unreachable" icon, so that one is always drawn, faded.
    if (available) {
        QIcon themed =
            QIcon::fromTheme(muted ? QStringLiteral("microphone-sensitivity-muted-symbolic")
                                   : QStringLiteral("audio-input-microphone-symbolic"));
        if (!themed.isNull())
            return themed;
    }
    return drawn(available, muted);
}

} // namespace quietlane::TrayIcon
