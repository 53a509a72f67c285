// SPDX-License-Identifier: GPL-3.0-or-later
// Every letter and glyph the program draws, measured against the colour right around it,
// on the cards (over a white and a black desktop, the frosted fill's worst and best case),
// the indicator and the widget in both schemes.
#include "appearance/appfonts.h"
#include "controls/cardbackground.h"
#include "hud/hudpanel.h"
#include "settings/settingscontent.h"
#include "settings/settingsmodel.h"
#include "tray/dropdowncontent.h"
#include "tray/trayicon.h"
#include "widget/floatingwidgetview.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <vector>

using namespace quietlane;

namespace {

constexpr double kScale = 2;

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double luminance(QRgb c) {
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 3 && std::abs(qGreen(a) - qGreen(b)) <= 3 &&
           std::abs(qBlue(a) - qBlue(b)) <= 3;
}

/// Marks fainter than this against their surroundings are dividers and borders, which
/// carry no information of their own.
constexpr double kDecoration = 2.0;

/// The marks of `image` (connected pixels that are not flat background) that read below
/// 4.5:1 when they are text-sized strokes, or below 3:1 when they are larger or solid
/// shapes, each described with the colours measured.
std::vector<std::string> failures(const QImage& source, const std::string& surface) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    auto at = [&](int x, int y) {
        return image.pixel(x, y);
    };
    std::vector<char> flat(size_t(w) * h, 0);
    for (int y = 1; y + 1 < h; ++y) {
        for (int x = 1; x + 1 < w; ++x) {
            bool uniform = true;
            for (int dy = -1; dy <= 1 && uniform; ++dy)
                for (int dx = -1; dx <= 1 && uniform; ++dx)
                    uniform = near(at(x, y), at(x + dx, y + dy));
            flat[size_t(y) * w + x] = uniform;
        }
    }
    std::vector<int> label(size_t(w) * h, -1);
    std::vector<std::string> found;
    int blobs = 0;
    for (int y0 = 1; y0 + 1 < h; ++y0) {
        for (int x0 = 1; x0 + 1 < w; ++x0) {
            const size_t start = size_t(y0) * w + x0;
            if (flat[start] || label[start] >= 0)
                continue;
            std::vector<QPoint> pixels{{x0, y0}};
            label[start] = blobs;
            QRect box(x0, y0, 1, 1);
            for (size_t i = 0; i < pixels.size(); ++i) {
                const QPoint p = pixels[i];
                box = box.united(QRect(p, QSize(1, 1)));
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int x = p.x() + dx, y = p.y() + dy;
                        if (x < 1 || y < 1 || x + 1 >= w || y + 1 >= h)
                            continue;
                        const size_t index = size_t(y) * w + x;
                        if (!flat[index] && label[index] < 0) {
                            label[index] = blobs;
                            pixels.push_back({x, y});
                        }
                    }
                }
            }
            ++blobs;
            if (pixels.size() < 6)
                continue;
            // The background: the commonest flat colour just around the mark.
            std::map<QRgb, int> around;
            const QRect ring = box.adjusted(-4, -4, 4, 4).intersected(image.rect());
            for (int y = ring.top(); y <= ring.bottom(); ++y)
                for (int x = ring.left(); x <= ring.right(); ++x)
                    if (flat[size_t(y) * w + x])
                        ++around[at(x, y)];
            if (around.empty())
                continue;
            QRgb background = around.begin()->first;
            for (const auto& [colour, count] : around)
                if (count > around[background])
                    background = colour;
            QRgb ink = background;
            for (const QPoint& p : pixels)
                if (contrast(at(p.x(), p.y()), background) > contrast(ink, background))
                    ink = at(p.x(), p.y());
            const double ratio = contrast(ink, background);
            if (ratio < kDecoration)
                continue;
            // A filled shape (a dot, a knob, the microphone's head) has a flat inside of its
            // own colour; letters at these sizes are strokes with hardly any.
            int filled = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    if (flat[size_t(y) * w + x] && !near(at(x, y), background))
                        ++filled;
            const bool solid = filled > 0.15 * box.width() * box.height();
            // Letters of the 11-14 px faces; lower marks are rules and glyph parts (the
            // microphone's stem and base), which count as graphics.
            const bool textSized = box.height() >= 4.5 * kScale && box.height() <= 16 * kScale &&
                                   box.width() <= 40 * kScale;
            const double needed = textSized && !solid ? 4.5 : 3.0;
            if (ratio < needed) {
                std::ostringstream line;
                line.precision(3);
                line << surface << ": " << ratio << ":1 (needs " << needed << ") ink #" << std::hex
                     << (ink & 0xffffff) << " on #" << (background & 0xffffff) << std::dec << " at "
                     << box.x() / kScale << "," << box.y() / kScale << " (" << box.width() / kScale
                     << "x" << box.height() / kScale << ", solid " << solid << ")";
                found.push_back(line.str());
            }
        }
    }
    return found;
}

QImage canvas(QSize size, const QColor& desktop) {
    QImage image(size * kScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    image.fill(desktop);
    return image;
}

QImage renderCard(QWidget& card, const QColor& desktop) {
    card.adjustSize();
    card.resize(card.sizeHint());
    QImage image = canvas(card.size(), desktop);
    card.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void expectReadable(const QImage& image, const std::string& surface) {
    std::string all;
    for (const std::string& line : failures(image, surface))
        all += line + "\n";
    EXPECT_TRUE(all.empty()) << all;
}

class Contrast : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AppFonts::registerBundled(); }
};

} // namespace

TEST_F(Contrast, DropdownAndSettingsTextAndGlyphsReadOnEveryDesktop) {
    for (bool muted : {false, true}) {
        DropdownModel model;
        model.setMuted(muted);
        model.setDeviceName(QStringLiteral("USB Mic"));
        model.setHotkey(QStringLiteral("Ctrl+Alt+Super+M"));
        model.setDeviceValue(QStringLiteral("USB Mic"));
        model.setModeTitle(QStringLiteral("Toggle"));
        model.setWidgetVisible(muted);
        model.setLoginEnabled(!muted);
        for (const QColor& desktop : {QColor(Qt::white), QColor(Qt::black)}) {
            DropdownContent card(model, CardBackground::glass);
            expectReadable(renderCard(card, desktop), std::string("dropdown ") +
                                                          (muted ? "muted" : "live") + " over " +
                                                          desktop.name().toStdString());
        }
    }
    for (SettingsTab tab : kAllSettingsTabs) {
        SettingsState state = sampleSettingsState(tab);
        state.isMuted = true;
        state.loginEnabled = false;
        state.languageChangePending = true;
        SettingsModel model(state);
        for (const QColor& desktop : {QColor(Qt::white), QColor(Qt::black)}) {
            SettingsContent card(model, new QWidget, CardBackground::glass);
            expectReadable(renderCard(card, desktop),
                           "settings tab " + title(tab) + " over " + desktop.name().toStdString());
        }
    }
}

TEST_F(Contrast, IndicatorAndWidgetReadInBothSchemesOverBlackAndWhite) {
    for (bool dark : {false, true}) {
        for (bool muted : {false, true}) {
            for (const QColor& desktop : {QColor(Qt::white), QColor(Qt::black)}) {
                const std::string look = std::string(dark ? "dark" : "light") +
                                         (muted ? " muted" : " live") + " over " +
                                         desktop.name().toStdString();
                QImage hud = canvas(QSize(HUDPanel::kWidth, HUDPanel::kHeight), desktop);
                QPainter hudPainter(&hud);
                HUDPanel::paintTile(hudPainter, QRectF(0, 0, HUDPanel::kWidth, HUDPanel::kHeight),
                                    muted, dark);
                hudPainter.end();
                expectReadable(hud, "indicator " + look);

                // The ring only frames the widget; the microphone carries the state.
                QImage widget = canvas(QSize(64, 64), desktop);
                QPainter widgetPainter(&widget);
                FloatingWidgetView::paint(widgetPainter, QRectF(0, 0, 64, 64),
                                          {true, muted, 0.6, 1.0, dark});
                widgetPainter.end();
                expectReadable(widget.copy(QRect(30, 30, 68, 68)), "widget " + look);
            }
        }
    }
}

TEST_F(Contrast, DrawnTrayIconReadsOnDarkAndLightPanels) {
    // QUIETLANE_SHOT_DIR keeps the icon on each panel as a picture to look at (the README's).
    const QString shots = qEnvironmentVariable("QUIETLANE_SHOT_DIR");
    for (bool muted : {false, true}) {
        for (const QColor& panel : {QColor(32, 32, 36), QColor(240, 240, 242)}) {
            QImage image(QSize(96, 48), QImage::Format_ARGB32_Premultiplied);
            image.fill(panel);
            QPainter painter(&image);
            painter.drawPixmap(QRect(24, 0, 48, 48), TrayIcon::drawn(true, muted).pixmap(48));
            painter.end();
            expectReadable(image, std::string("tray icon ") + (muted ? "muted" : "live") + " on " +
                                      panel.name().toStdString());
            if (!shots.isEmpty())
                image.save(
                    QDir(shots).filePath(QStringLiteral("tray-%1-%2.png")
                                             .arg(muted ? "muted" : "live",
                                                  panel.lightness() < 128 ? "dark" : "light")));
        }
    }
}
