// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdowncontent.h"

#include "appearance/glass.h"
#include "controls/controlpalette.h"
#include "controls/disclosurebutton.h"
#include "controls/optionlist.h"
#include "controls/plainbutton.h"
#include "controls/rowbutton.h"
#include "tray/dropdownrows.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

namespace quietlane {

namespace {

// The box that keeps the mute button away from the card's edges.
QWidget* paddingBox(QMargins margins, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(margins);
    layout->setSpacing(0);
    return box;
}
} // namespace

DropdownContent::DropdownContent(DropdownModel& model, CardBackground background, QWidget* parent)
    : QWidget(parent), m_model(model), m_background(background), m_layout(new QVBoxLayout(this)) {
    setFixedWidth(300);
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout->setContentsMargins(0, 6, 0, 6);
    m_layout->setSpacing(0);

    // The request goes out last: it may close the dropdown and delete this card.
    auto row = [&](DropdownRowKind kind, RowButton::Trailing trailing) {
        auto* button = new RowButton(m_model.row(kind).label, trailing, this);
        connect(button, &QAbstractButton::clicked, &m_model,
                [this, kind] { m_model.activate(kind); });
        return button;
    };
    auto disclosure = [&](DropdownRowKind kind) {
        return new DisclosureButton(m_model.row(kind).label, 9, this);
    };

    m_header = new DropdownHeader(this);
    QWidget* muteBox = paddingBox(QMargins(10, 4, 10, 8), this);
    m_muteButton = new DropdownMuteButton(muteBox);
    muteBox->layout()->addWidget(m_muteButton);
    connect(m_muteButton, &QAbstractButton::clicked, &m_model, &DropdownModel::muteToggleRequested);
    m_widgetRow = row(DropdownRowKind::widget, RowButton::Trailing::toggle);
    m_deviceRow = disclosure(DropdownRowKind::device);
    connect(m_deviceRow, &QAbstractButton::clicked, this,
            [this] { setDeviceExpanded(!m_deviceExpanded); });
    m_deviceList = new OptionList(2, this);
    m_deviceList->setFocusAnchor(m_deviceRow);
    connect(m_deviceList, &OptionList::optionChosen, this, &DropdownContent::chooseDevice);
    m_modeRow = disclosure(DropdownRowKind::mode);
    connect(m_modeRow, &QAbstractButton::clicked, &m_model,
            [this] { m_model.activate(DropdownRowKind::mode); });
    m_loginRow = row(DropdownRowKind::login, RowButton::Trailing::toggle);
    m_settingsRow = row(DropdownRowKind::settings, RowButton::Trailing::keyHint);
    m_settingsRow->setHint(m_model.row(DropdownRowKind::settings).trailingText);
    m_donateRow = new DropdownDonateButton(this);
    connect(m_donateRow, &QAbstractButton::clicked, &m_model, &DropdownModel::donateRequested);
    m_quitRow = row(DropdownRowKind::quit, RowButton::Trailing::keyHint);
    m_quitRow->setHint(m_model.row(DropdownRowKind::quit).trailingText);

    m_layout->addWidget(m_header);
    m_layout->addWidget(muteBox);
    m_layout->addWidget(new DropdownDivider(this));
    m_layout->addWidget(m_widgetRow);
    m_layout->addWidget(m_deviceRow);
    m_layout->addWidget(m_deviceList);
    m_layout->addWidget(m_modeRow);
    m_layout->addWidget(new DropdownDivider(this));
    m_layout->addWidget(m_loginRow);
    m_layout->addWidget(m_settingsRow);
    m_layout->addWidget(m_donateRow);
    m_layout->addWidget(new DropdownDivider(this));
    m_layout->addWidget(m_quitRow);

    for (auto changed : {&DropdownModel::isAvailableChanged, &DropdownModel::isMutedChanged})
        connect(&m_model, changed, this, &DropdownContent::showState);
    for (auto changed : {&DropdownModel::deviceNameChanged, &DropdownModel::hotkeyChanged})
        connect(&m_model, changed, this, &DropdownContent::showState);
    connect(&m_model, &DropdownModel::widgetVisibleChanged, m_widgetRow, &RowButton::setToggleOn);
    connect(&m_model, &DropdownModel::deviceValueChanged, m_deviceRow,
            &DisclosureButton::setValueText);
    connect(&m_model, &DropdownModel::modeTitleChanged, m_modeRow, &DisclosureButton::setValueText);
    connect(&m_model, &DropdownModel::loginEnabledChanged, m_loginRow, &RowButton::setToggleOn);
    connect(&m_model, &DropdownModel::showDonateChanged, m_donateRow, &QWidget::setVisible);
    connect(&m_model, &DropdownModel::devicesChanged, this, &DropdownContent::showDevices);

    showState();
    m_widgetRow->setToggleOn(m_model.isWidgetVisible());
    m_deviceRow->setValueText(m_model.deviceValue());
    m_modeRow->setValueText(m_model.modeTitle());
    m_loginRow->setToggleOn(m_model.isLoginEnabled());
    m_donateRow->setVisible(m_model.showDonate());
    showDevices();
    resize(sizeHint());
}

void DropdownContent::showState() {
    m_header->setState(m_model.isAvailable(), m_model.isMuted(), m_model.deviceName());
    m_muteButton->setState(m_model.isAvailable(), m_model.isMuted(), m_model.hotkey());
}

void DropdownContent::showDevices() {
    m_options = deviceChoices(m_model.selection(), m_model.availableDevices());
    std::vector<ListOption> shown;
    shown.reserve(m_options.size());
    for (const DeviceChoice& option : m_options)
        shown.push_back({option.id, QString::fromStdString(option.title), option.selected});
    m_deviceList->setOptions(shown);
}

void DropdownContent::setDeviceExpanded(bool expanded) {
    if (expanded == m_deviceExpanded)
        return;
    m_deviceExpanded = expanded;
    m_deviceRow->setChevronTurned(expanded);
    m_deviceList->setOpen(expanded);
}

void DropdownContent::chooseDevice(const QString& id) {
    const std::string key = id.toStdString();
    for (const DeviceChoice& option : m_options) {
        if (option.id != key)
            continue;
        const DeviceSelection selection = option.selection;
        const Qt::FocusReason reason = focusReasonAfter(QApplication::focusWidget());
        setDeviceExpanded(false);
        m_deviceRow->setFocus(reason);
        emit m_model.deviceChosen(selection);
        return;
    }
}

QSize DropdownContent::sizeHint() const {
    return {300, m_layout->sizeHint().height()};
}

void DropdownContent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    reportSize(size());
}

void DropdownContent::reportSize(QSize size) {
    if (size == m_reportedSize)
        return;
    m_reportedSize = size;
    emit sizeReported(size);
}

bool DropdownContent::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        const QSize size = sizeHint();
        if (size != this->size())
            resize(size);
        reportSize(size);
    }
    return handled;
}

void DropdownContent::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    const QRectF box = QRectF(rect());
    card.addRoundedRect(box, 13, 13);
    painter.setClipPath(card);
    if (m_background == CardBackground::glass)
        paintGlass(painter, card, true);
    QColor tint = ControlPalette::panel();
    tint.setAlphaF(0.72f);
    painter.fillRect(box, tint);
    painter.setClipping(false);
    painter.setPen(QPen(ControlPalette::white(0.1), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 12.5, 12.5);
}

} // namespace quietlane
