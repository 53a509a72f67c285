// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace quietlane::test {

/// The control under `root` whose accessible name starts with `start`, found as a screen
/// reader finds it; a test failure when there is none.
template <typename Widget = QAbstractButton> Widget* named(QWidget& root, const QString& start) {
    for (Widget* widget : root.findChildren<Widget*>()) {
        if (widget->accessibleName().startsWith(start))
            return widget;
    }
    ADD_FAILURE() << "no control named " << start.toStdString();
    return nullptr;
}

} // namespace quietlane::test
