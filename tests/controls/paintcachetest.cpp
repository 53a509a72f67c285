// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/paintcache.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace quietlane;

namespace {

QColor colour(int look) {
    return QColor(look * 60, 255 - look * 60, 0);
}

// The window's backing store in miniature: what a paint event leaves on screen.
QRgb paintOnce(PaintCache<int>& cache, int look, int& draws) {
    QImage screen(8, 8, QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::blue);
    QPainter painter(&screen);
    cache.paint(painter, look, QSize(8, 8), 1.0, [&](QPainter& imagePainter) {
        ++draws;
        imagePainter.fillRect(QRect(0, 0, 8, 8), colour(look));
    });
    painter.end();
    return screen.pixel(4, 4);
}

} // namespace

// A stale image would show the wrong state: every look on screen must be the look asked
// for, drawn once while it stays among the last two.
TEST(PaintCache, ShowsTheLookAskedForAndDrawsEachRecentLookOnce) {
    PaintCache<int> cache;
    int draws = 0;
    EXPECT_EQ(paintOnce(cache, 1, draws), colour(1).rgb());
    EXPECT_EQ(paintOnce(cache, 2, draws), colour(2).rgb());
    EXPECT_EQ(paintOnce(cache, 1, draws), colour(1).rgb());
    EXPECT_EQ(paintOnce(cache, 2, draws), colour(2).rgb());
    EXPECT_EQ(draws, 2);

    EXPECT_EQ(paintOnce(cache, 3, draws), colour(3).rgb());
    EXPECT_EQ(paintOnce(cache, 1, draws), colour(1).rgb());
    EXPECT_EQ(draws, 4);
}
