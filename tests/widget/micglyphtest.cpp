// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/micglyph.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace quietlane;

TEST(MicGlyph, TheSlashRunsFromUpperLeftToLowerRight) {
    // The muted look reads as "crossed out" only this way round.
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        MicGlyph::paint(painter, QRectF(0, 0, 48, 48), Qt::black, true, Qt::red);
    }
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(37, 10).alpha(), 0);
}
