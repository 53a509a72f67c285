// SPDX-License-Identifier: GPL-3.0-or-later
// The controls and the cards with the keyboard alone: Tab reaches every control on the page,
// the focused one shows its ring, and the keys do what a click does.
#include "controls/disclosurebutton.h"
#include "controls/plainbutton.h"
#include "controls/rowbutton.h"
#include "controls/selectoptionbutton.h"
#include "settings/glassslider.h"
#include "settings/inlineselectrow.h"
#include "settings/settingscontent.h"
#include "settings/settingsmodel.h"
#include "settings/sliderrow.h"
#include "tray/dropdowncontent.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace quietlane {
namespace {

// Key events go to the focus widget, which only an active window has.
void showActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
}

TEST(SettingsControls, SelectRowOpensWithKeysAndChoosingAlwaysCloses) {
    InlineSelectRow row(QStringLiteral("Тема"));
    row.resize(400, 200);
    showActive(row);
    int chosen = 0;
    const auto choose = [&] {
        ++chosen;
    };
    row.setOptions({{"a", "A", true, choose}, {"b", "B", false, choose}});
    row.header()->setFocus();
    QTest::keyClick(row.header(), Qt::Key_Return);
    ASSERT_TRUE(row.isExpanded());
    EXPECT_TRUE(row.header()->isChevronTurned());
    // The already selected option still runs its action and closes the list.
    QTest::keyClick(row.header(), Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), row.list()->button(0));
    QTest::keyClick(row.list()->button(0), Qt::Key_Space);
    EXPECT_EQ(chosen, 1);
    EXPECT_FALSE(row.isExpanded());
    EXPECT_EQ(QApplication::focusWidget(), row.header());
    EXPECT_TRUE(row.header()->showsFocusRing());
}

TEST(SettingsControls, SliderReportsKeyAndPointerValuesWithoutStoringThem) {
    SliderRow row(QStringLiteral("Фон"), 0.2, 1.0);
    row.resize(400, 40);
    showActive(row);
    row.setValue(0.555);
    EXPECT_EQ(row.percentText(), "56%");
    std::vector<double> reported;
    QObject::connect(&row, &SliderRow::valueRequested, [&](double v) { reported.push_back(v); });
    GlassSlider* slider = row.slider();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() + 50, 9));
    ASSERT_EQ(reported.size(), 3u);
    EXPECT_EQ(reported[0], 1.0);
    EXPECT_EQ(reported[1], 0.2);
    EXPECT_EQ(reported[2], 1.0); // beyond the end: exactly the bound
    EXPECT_EQ(slider->value(), 0.555);
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
    for (SettingsTab tab : kAllSettingsTabs) {
        SettingsModel model(sampleSettingsState(tab));
        SettingsContent content(model, new QWidget, CardBackground::solid);
        showActive(content);
        content.findChildren<PlainButton*>().at(0)->setFocus(Qt::TabFocusReason);
        const std::set<QWidget*> reached = tabThrough(content);
        for (QWidget* control : focusable(content))
            EXPECT_TRUE(reached.count(control))
                << title(tab) << ": not reached: " << control->accessibleName().toStdString();
    }
}

// Operating a row from the keyboard is checked with the dropdown's device row.
TEST(KeyboardReach, EveryDropdownControlIsReached) {
    DropdownModel model;
    model.setDeviceName(QStringLiteral("USB Mic"));
    DropdownContent content(model, CardBackground::solid);
    showActive(content);
    content.findChildren<PlainButton*>().at(0)->setFocus(Qt::TabFocusReason);
    const std::set<QWidget*> reached = tabThrough(content);
    for (QWidget* control : focusable(content))
        EXPECT_TRUE(reached.count(control))
            << "not reached: " << control->accessibleName().toStdString();
}

} // namespace
} // namespace quietlane
