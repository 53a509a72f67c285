// SPDX-License-Identifier: GPL-3.0-or-later
// The cards with the keyboard alone: Tab reaches every control on the page, the focused
// one shows its ring, and the keys do what a click does.
#include "controls/plainbutton.h"
#include "controls/rowbutton.h"
#include "menubar/dropdowncontent.h"
#include "settings/settingscontent.h"
#include "settings/settingsmodel.h"

#include "../namedcontrol.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace quietlane {
namespace {

void showActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
}

/// Presses Tab until the focus comes back round, and says which controls it visited; each
/// drawn button must have shown its ring while it had the focus.
std::set<QWidget*> tabThrough(QWidget& window) {
    std::set<QWidget*> visited;
    QWidget* first = QApplication::focusWidget();
    for (int i = 0; i < 100; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now || !window.isAncestorOf(now))
            break;
        if (auto* button = qobject_cast<PlainButton*>(now)) {
            EXPECT_TRUE(button->showsFocusRing()) << button->accessibleName().toStdString();
        }
        if (!visited.insert(now).second || now == first)
            break;
    }
    return visited;
}

/// Every control on screen that takes the focus from the keyboard.
std::set<QWidget*> focusable(QWidget& window) {
    std::set<QWidget*> found;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isVisibleTo(&window) && (child->focusPolicy() & Qt::TabFocus))
            found.insert(child);
    }
    return found;
}

TEST(KeyboardReach, EverySettingsControlIsReachedAndShowsItsRing) {
    std::vector<std::string> calls;
    for (SettingsTab tab : kAllSettingsTabs) {
        SettingsModel model(sampleSettingsState(tab));
        QObject::connect(&model, &SettingsModel::showHUDRequested,
                         [&](bool on) { calls.push_back(on ? "hud on" : "hud off"); });
        SettingsContent content(model, new QWidget, CardBackground::solid);
        showActive(content);
        content.findChildren<PlainButton*>().at(0)->setFocus(Qt::TabFocusReason);
        const std::set<QWidget*> reached = tabThrough(content);
        for (QWidget* control : focusable(content))
            EXPECT_TRUE(reached.count(control))
                << title(tab) << ": not reached: " << control->accessibleName().toStdString();
        if (tab == SettingsTab::mic) {
            QAbstractButton* hud = test::named(content, QStringLiteral("Показывать HUD"));
            hud->setFocus(Qt::TabFocusReason);
            QTest::keyClick(hud, Qt::Key_Space);
            EXPECT_EQ(calls, std::vector<std::string>{"hud off"});
        }
    }
}

TEST(KeyboardReach, EveryDropdownControlIsReachedAndOperated) {
    DropdownModel model;
    model.setDeviceName(QStringLiteral("USB Mic"));
    int widgetToggles = 0;
    QObject::connect(&model, &DropdownModel::widgetToggleRequested, [&] { ++widgetToggles; });
    DropdownContent content(model, CardBackground::solid);
    showActive(content);
    content.findChildren<PlainButton*>().at(0)->setFocus(Qt::TabFocusReason);
    const std::set<QWidget*> reached = tabThrough(content);
    for (QWidget* control : focusable(content))
        EXPECT_TRUE(reached.count(control))
            << "not reached: " << control->accessibleName().toStdString();
    // The widget switch is the first row with a switch.
    for (RowButton* row : content.findChildren<RowButton*>()) {
        if (row->toggle()) {
            row->setFocus(Qt::TabFocusReason);
            QTest::keyClick(row, Qt::Key_Return);
            break;
        }
    }
    EXPECT_EQ(widgetToggles, 1);
}

} // namespace
} // namespace quietlane
