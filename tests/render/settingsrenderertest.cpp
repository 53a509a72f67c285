// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/dropdownrenderer.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quietlane;

TEST(OffscreenRendering, WritingReportsWhyItFailedAndNeverLeavesAPartialFile) {
    QTemporaryDir directory;
    const QString missing = directory.filePath(QStringLiteral("no/such/dir/out.png"));
    QString error;
    EXPECT_FALSE(DropdownRenderer::renderToFile(missing, error));
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    // An existing file is replaced by a complete image.
    const QString path = directory.filePath(QStringLiteral("out.png"));
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("not a png");
    stale.close();
    ASSERT_TRUE(DropdownRenderer::renderToFile(path, error)) << error.toStdString();
    EXPECT_EQ(QImage(path).size(), QSize(792, 958));
}
