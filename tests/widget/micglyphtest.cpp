// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/micglyph.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace quietlane;

TEST(MicGlyph, BarsSitOnTheGridAndTheSlashNeverGetsThinnerThanTwoPixels) {
    const QRectF bounds = MicGlyph::microphonePath(QRectF(0, 0, 24, 24)).boundingRect();
    EXPECT_DOUBLE_EQ(bounds.left(), 7.5);
    EXPECT_DOUBLE_EQ(bounds.right(), 16.5);
    EXPECT_DOUBLE_EQ(bounds.top(), 3);
    EXPECT_DOUBLE_EQ(bounds.bottom(), 21);
    EXPECT_DOUBLE_EQ(MicGlyph::slashThickness(24), 2.3);
    EXPECT_DOUBLE_EQ(MicGlyph::slashThickness(12), 2.0);

    // Upper left to lower right: the slash covers the top-left corner region, not the
    // top-right one.
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        MicGlyph::paint(painter, QRectF(0, 0, 48, 48), Qt::black, true, Qt::red);
    }
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(37, 10).alpha(), 0);
}
