// SPDX-License-Identifier: GPL-3.0-or-later
#include "menubar/dropdowncontent.h"
#include "controls/disclosurebutton.h"
#include "controls/optionlist.h"
#include "controls/selectoptionbutton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quietlane {
namespace {

TEST(DropdownContent, DeviceListWorksFromTheKeyboardAndReportsItsSize) {
    DropdownModel model;
    AudioInputDevice usb;
    usb.uid = "usb";
    usb.name = "USB Mic";
    model.availableDevices = {usb};
    std::vector<DeviceSelection> chosen;
    DropdownActions actions;
    actions.selectDevice = [&](const DeviceSelection& selection) {
        chosen.push_back(selection);
    };
    DropdownContent card(model, actions, CardBackground::solid);
    QSignalSpy sizes(&card, &DropdownContent::sizeReported);
    card.show();
    card.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&card));
    const int closedHeight = card.height();

    auto* deviceRow = static_cast<DisclosureButton*>(card.partWidget(DropdownPart::deviceRow));
    deviceRow->setFocus(Qt::TabFocusReason);
    QTest::keyClick(deviceRow, Qt::Key_Return);
    ASSERT_TRUE(card.isDeviceExpanded());
    QTRY_VERIFY(card.height() > closedHeight);
    EXPECT_EQ(sizes.last().at(0).toSize(), card.size());

    // Choosing the option that is already selected still reports it and closes the list.
    QTest::keyClick(deviceRow, Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), card.deviceList()->button(0));
    EXPECT_TRUE(card.deviceList()->button(0)->isSelected());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], DeviceSelection::systemDefault());
    EXPECT_FALSE(card.isDeviceExpanded());
    EXPECT_EQ(QApplication::focusWidget(), deviceRow);
    QTRY_COMPARE(card.height(), closedHeight);
}

TEST(DropdownContent, RowsActThroughTheModelOnly) {
    int widgetToggles = 0;
    DropdownActions actions;
    actions.toggleWidget = [&] {
        ++widgetToggles;
    };
    DropdownModel model;
    model.widgetVisible = false;
    DropdownContent card(model, actions, CardBackground::glass);
    auto* widgetRow = static_cast<QAbstractButton*>(card.partWidget(DropdownPart::widgetRow));
    widgetRow->click();
    EXPECT_EQ(widgetToggles, 1);
    EXPECT_FALSE(widgetRow->isChecked()); // the switch waits for the model

    const int withDonate = card.sizeHint().height();
    model.widgetVisible = true;
    model.showDonate = false;
    card.setModel(model);
    EXPECT_TRUE(widgetRow->isChecked());
    EXPECT_TRUE(card.partWidget(DropdownPart::donateRow)->isHidden());
    EXPECT_LT(card.sizeHint().height(), withDonate);

    // No sound server: the header says so instead of "live", and mute cannot be pressed.
    int toggles = 0;
    actions.toggleMute = [&] {
        ++toggles;
    };
    model.isAvailable = false;
    DropdownContent offline(model, actions, CardBackground::solid);
    auto* header = offline.partWidget(DropdownPart::header);
    auto* mute = static_cast<QAbstractButton*>(offline.partWidget(DropdownPart::muteButton));
    EXPECT_TRUE(header->accessibleName().startsWith(QString::fromStdString(unavailableTitle())));
    EXPECT_FALSE(mute->isEnabled());
    mute->click();
    EXPECT_EQ(toggles, 0);
}

} // namespace
} // namespace quietlane
