// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/screenlayout.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace quietlane::QtScreens {

namespace {

// The primary display's rectangle in toolkit coordinates; the stored form measures from its
// lower left corner.
QRect primaryGeometry() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

Rect toStored(const QRect& r, const QRect& primary) {
    const Rect shifted{double(r.x() - primary.x()), double(r.y() - primary.y()), double(r.width()),
                       double(r.height())};
    return WidgetGeometry::rectFromTopLeft(shifted, primary.height());
}

bool isRealScreen(const QScreen* screen) {
    // With every output switched off the X server still shows Qt a stand-in screen
    // without a name; it is not a place anyone can see.
    return screen && !screen->geometry().isEmpty() && !screen->name().isEmpty();
}

} // namespace

ScreenLayout currentLayout() {
    ScreenLayout layout;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!isRealScreen(primary))
        return layout;
    const QRect primaryRect = primary->geometry();
    auto area = [&](const QScreen* screen) {
        return ScreenArea{toStored(screen->geometry(), primaryRect),
                          toStored(screen->availableGeometry(), primaryRect)};
    };
    layout.screens.push_back(area(primary));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary && isRealScreen(screen))
            layout.screens.push_back(area(screen));
    }
    layout.mainScreen = layout.screens.front();
    return layout;
}

QPoint toWindowPosition(Point origin, Size size) {
    const QRect primary = primaryGeometry();
    const Point topLeft = WidgetGeometry::toTopLeft(origin, size, primary.height());
    return {int(std::lround(topLeft.x)) + primary.x(), int(std::lround(topLeft.y)) + primary.y()};
}

Point fromWindowPosition(QPoint topLeft, Size size) {
    const QRect primary = primaryGeometry();
    return WidgetGeometry::fromTopLeft(
        {double(topLeft.x() - primary.x()), double(topLeft.y() - primary.y())}, size,
        primary.height());
}

} // namespace quietlane::QtScreens
