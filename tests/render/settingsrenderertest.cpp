// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/settingsrenderer.h"
#include "appearance/appfonts.h"
#include "render/dropdownrenderer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quietlane;

namespace {

// Regenerate with `quietlane --render tests/render/reference/dropdown.png` and
// `quietlane --render-settings tests/render/reference/settings.png` after an intended
// change of the look, and look at the result before committing it.
QString reference(const char* name) {
    return QDir(QStringLiteral(QUIETLANE_TEST_REFERENCE_DIR)).filePath(QLatin1String(name));
}

/// Share of pixels that differ noticeably; anti-aliasing and font hinting stay below it.
double differingShare(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_ARGB32);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32);
    long differing = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            const int delta =
                std::max({std::abs(qRed(l[x]) - qRed(r[x])), std::abs(qGreen(l[x]) - qGreen(r[x])),
                          std::abs(qBlue(l[x]) - qBlue(r[x]))});
            if (delta > 24)
                ++differing;
        }
    }
    return double(differing) / (double(left.width()) * left.height());
}

void expectMatchesReference(const QImage& image, const char* name) {
    const QImage expected(reference(name));
    ASSERT_FALSE(expected.isNull()) << "missing reference image " << name;
    ASSERT_EQ(image.size(), expected.size());
    EXPECT_LT(differingShare(image, expected), 0.005) << name << " no longer matches";
}

class OffscreenRendering : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AppFonts::registerBundled(); }
};

} // namespace

TEST_F(OffscreenRendering, DropdownIsTheCardCentredOnTheBackdrop) {
    const QImage image = DropdownRenderer::render();
    ASSERT_EQ(image.size(), QSize(792, 958));
    EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2.0);
    const QRgb backdrop = OffscreenScene::backdrop().rgb();
    EXPECT_EQ(image.pixel(4, 4), backdrop);
    EXPECT_EQ(image.pixel(787, 953), backdrop);
    // The 300-wide card spans 600 pixels in the middle: its left edge is at 96.
    EXPECT_EQ(image.pixel(90, 479), backdrop);
    EXPECT_NE(image.pixel(110, 479), backdrop);
    expectMatchesReference(image, "dropdown.png");
}

TEST_F(OffscreenRendering, SettingsShowsThreeCardsSideBySide) {
    const QImage image = SettingsRenderer::render();
    ASSERT_EQ(image.width(), 1516 * 2);
    ASSERT_GT(image.height(), 400 * 2);
    const QRgb backdrop = OffscreenScene::backdrop().rgb();
    // Inside each card near its top, and in the gaps between the cards.
    for (int card = 0; card < 3; ++card)
        EXPECT_NE(image.pixel((40 + card * 488 + 230) * 2, 50 * 2), backdrop) << card;
    EXPECT_EQ(image.pixel((40 + 460 + 14) * 2, 200), backdrop);
    EXPECT_EQ(image.pixel((40 + 2 * 488 - 14) * 2, 200), backdrop);
    expectMatchesReference(image, "settings.png");
}

TEST_F(OffscreenRendering, WritingReportsWhyItFailedAndNeverLeavesAPartialFile) {
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
