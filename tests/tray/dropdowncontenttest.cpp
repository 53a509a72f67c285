// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdowncontent.h"
#include "controls/selectoptionbutton.h"

#include "../namedcontrol.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quietlane {
namespace {

using test::named;

TEST(DropdownContent, DeviceListWorksFromTheKeyboardAndReportsItsSize) {
    DropdownModel model;
    AudioInputDevice usb;
    usb.uid = "usb";
    usb.name = "USB Mic";
    model.setDevices({usb}, DeviceSelection::systemDefault());
    QSignalSpy chosen(&model, &DropdownModel::deviceChosen);
    DropdownContent card(model, CardBackground::solid);
    QSignalSpy sizes(&card, &DropdownContent::sizeReported);
    card.show();
    card.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&card));
    const int closedHeight = card.height();

    QAbstractButton* deviceRow = named(card, QStringLiteral("Устройство"));
    deviceRow->setFocus(Qt::TabFocusReason);
    QTest::keyClick(deviceRow, Qt::Key_Return);
    ASSERT_TRUE(card.isDeviceExpanded());
    QTRY_VERIFY(card.height() > closedHeight);
    EXPECT_EQ(sizes.last().at(0).toSize(), card.size());

    // Choosing the option that is already selected still reports it and closes the list.
    QTest::keyClick(deviceRow, Qt::Key_Down);
    auto* first = qobject_cast<SelectOptionButton*>(QApplication::focusWidget());
    ASSERT_TRUE(first && first->isSelected());
    QTest::keyClick(first, Qt::Key_Space);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].value<DeviceSelection>(), DeviceSelection::systemDefault());
    EXPECT_FALSE(card.isDeviceExpanded());
    EXPECT_EQ(QApplication::focusWidget(), deviceRow);
    QTRY_COMPARE(card.height(), closedHeight);
}

TEST(DropdownContent, RowsActThroughTheModelOnly) {
    DropdownModel model;
    model.setWidgetVisible(false);
    QSignalSpy widgetToggles(&model, &DropdownModel::widgetToggleRequested);
    DropdownContent card(model, CardBackground::glass);
    QAbstractButton* widgetRow = named(card, QStringLiteral("Плавающий виджет"));
    widgetRow->click();
    EXPECT_EQ(widgetToggles.count(), 1);
    EXPECT_FALSE(widgetRow->isChecked()); // the switch waits for the model

    model.setWidgetVisible(true);
    EXPECT_TRUE(widgetRow->isChecked());

    // No sound server: the header says so instead of "live", and mute cannot be pressed.
    QSignalSpy toggles(&model, &DropdownModel::muteToggleRequested);
    model.setAvailable(false);
    EXPECT_TRUE(named<QWidget>(card, unavailableTitle()));
    QAbstractButton* mute = named(card, unavailableButtonTitle());
    EXPECT_FALSE(mute->isEnabled());
    mute->click();
    EXPECT_EQ(toggles.count(), 0);
}

} // namespace
} // namespace quietlane
