// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/devicechoices.h"
#include "controls/cardbackground.h"
#include "tray/dropdownmodel.h"

#include <QWidget>

#include <map>

class QVBoxLayout;

namespace quietlane {

class DisclosureButton;
class DropdownDonateButton;
class DropdownHeader;
class DropdownMuteButton;
class RowButton;
class OptionList;

/// The card in the tray dropdown: state header, mute button and the setting rows, drawn
/// from the model and acting only through its requests. Its one state of its own is
/// whether the device list is open (closed on creation). It is 300 wide and as tall as its
/// content; every change of its size is reported through `sizeReported`.
class DropdownContent : public QWidget {
    Q_OBJECT
public:
    /// `model` must outlive the card.
    DropdownContent(DropdownModel& model, CardBackground background, QWidget* parent = nullptr);

    bool isDeviceExpanded() const { return m_deviceExpanded; }
    void setDeviceExpanded(bool expanded);

    QSize sizeHint() const override;

signals:
    void sizeReported(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showState();
    void showDevices();
    void reportSize(QSize size);
    void chooseDevice(const QString& id);

    DropdownModel& m_model;
    CardBackground m_background;
    bool m_deviceExpanded = false;
    QSize m_reportedSize;

    QVBoxLayout* m_layout;
    DropdownHeader* m_header;
    DropdownMuteButton* m_muteButton;
    RowButton* m_widgetRow;
    DisclosureButton* m_deviceRow;
    OptionList* m_deviceList;
    DisclosureButton* m_modeRow;
    RowButton* m_loginRow;
    RowButton* m_settingsRow;
    DropdownDonateButton* m_donateRow;
    RowButton* m_quitRow;
    std::vector<DeviceChoice> m_options;
};

} // namespace quietlane
