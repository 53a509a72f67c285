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

// The whole picture against the reference: a card out of place or a row drawn wrong shows
// as a share of differing pixels.
TEST_F(OffscreenRendering, DropdownAndSettingsMatchTheirReferences) {
    expectMatchesReference(DropdownRenderer::render(), "dropdown.png");
    expectMatchesReference(SettingsRenderer::render(), "settings.png");
}

TEST_F(OffscreenRendering, WritingReportsWhyItFailedAndNeverLeavesAPartialFile) {
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
