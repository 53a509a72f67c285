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
    const Result<void> refused = DropdownRenderer::renderToFile(missing);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find(missing.toStdString()), std::string::npos) << refused.error();
    EXPECT_FALSE(QFile::exists(missing));

    // An existing file is replaced by a complete image.
    const QString path = directory.filePath(QStringLiteral("out.png"));
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("not a png");
    stale.close();
    const Result<void> written = DropdownRenderer::renderToFile(path);
    ASSERT_TRUE(written) << written.error();
    EXPECT_EQ(QImage(path).size(), QSize(792, 958));
}
