// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/disclosurebutton.h"
#include "controls/selectoptionbutton.h"
#include "settings/equaldigitslabel.h"
#include "settings/glassslider.h"
#include "settings/inlineselectrow.h"
#include "settings/sliderrow.h"
#include "settings/tabheader.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace quietlane {
namespace {

// Key events go to the focus widget, which only an active window has.
void showActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
}

TEST(SettingsControls, TabHeaderAsksForNeighboursWithArrowsAndNeverMovesItself) {
    TabHeader header;
    header.resize(400, 40);
    showActive(header);
    std::vector<SettingsTab> requests;
    QObject::connect(&header, &TabHeader::selectRequested,
                     [&](SettingsTab tab) { requests.push_back(tab); });
    QWidget* first = header.findChildren<QAbstractButton*>().at(0);
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Left); // nothing before the first tab
    QTest::keyClick(first, Qt::Key_Right);
    EXPECT_EQ(requests, std::vector<SettingsTab>{SettingsTab::hotkey});
    EXPECT_EQ(header.current(), SettingsTab::mic); // the caller decides
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(requests.back(), SettingsTab::hotkey);
}

TEST(SettingsControls, SelectRowOpensWithKeysAndChoosingAlwaysCloses) {
    InlineSelectRow row(QStringLiteral("Тема"));
    row.resize(400, 200);
    showActive(row);
    int chosen = 0;
    row.setOptions({{"a", "A", true,
                     [&] {
                         ++chosen;
                     }},
                    {"b", "B", false, [&] {
                         ++chosen;
                     }}});
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
    // A click marks nothing by itself: the caller's model decides.
    EXPECT_TRUE(row.list()->button(0)->isSelected());
    EXPECT_FALSE(row.list()->button(1)->isSelected());

    // Chosen with the mouse: focus comes back to the row without the keyboard's outline.
    QTest::keyClick(row.header(), Qt::Key_Return);
    ASSERT_TRUE(row.isExpanded());
    row.list()->button(1)->setFocus(Qt::MouseFocusReason);
    row.list()->button(1)->click();
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(QApplication::focusWidget(), row.header());
    EXPECT_FALSE(row.header()->showsFocusRing());
}

TEST(SettingsControls, SliderReportsKeyAndPointerValuesWithoutStoringThem) {
    SliderRow row(QStringLiteral("Фон"), 0.2, 1.0);
    row.resize(400, 40);
    showActive(row);
    row.setValue(0.555);
    EXPECT_EQ(row.percentText(), "56%");
    // Digits of one width: the number does not jitter while it changes.
    const EqualDigitsLabel* percent = row.percentLabel();
    EXPECT_EQ(percent->textWidth(QStringLiteral("11%")), percent->textWidth(QStringLiteral("48%")));
    EXPECT_EQ(percent->textWidth(QStringLiteral("100%")),
              percent->textWidth(QStringLiteral("888%")));
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

} // namespace
} // namespace quietlane
