// SPDX-License-Identifier: GPL-3.0-or-later
#include "menubar/dropdowncontent.h"

#include "appearance/glass.h"
#include "controls/controlpalette.h"
#include "controls/disclosurebutton.h"
#include "controls/optionlist.h"
#include "controls/plainbutton.h"
#include "controls/rowbutton.h"
#include "menubar/dropdownrows.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

namespace quietlane {

namespace {
QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The box that keeps the mute button away from the card's edges.
QWidget* paddingBox(QMargins margins, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(margins);
    layout->setSpacing(0);
    return box;
}
} // namespace

DropdownContent::DropdownContent(DropdownModel model, DropdownActions actions,
                                 CardBackground background, QWidget* parent)
    : QWidget(parent), m_model(std::move(model)), m_actions(std::move(actions)),
      m_background(background), m_layout(new QVBoxLayout(this)) {
    setFixedWidth(300);
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout->setContentsMargins(0, 6, 0, 6);
    m_layout->setSpacing(0);

    auto row = [&](DropdownPart part, RowButton::Trailing trailing) {
        auto* button =
            new RowButton(qs(dropdownRow(part, m_model, m_actions).label), trailing, this);
        connect(button, &QAbstractButton::clicked, this, [this, part] { runRow(part); });
        return button;
    };
    auto disclosure = [&](DropdownPart part) {
        return new DisclosureButton(qs(dropdownRow(part, m_model, m_actions).label), 9, this);
    };
    auto divider = [&] {
        auto* line = new DropdownDivider(this);
        if (!m_firstDivider)
            m_firstDivider = line;
        return line;
    };

    m_header = new DropdownHeader(this);
    QWidget* muteBox = paddingBox(QMargins(10, 4, 10, 8), this);
    m_muteButton = new DropdownMuteButton(muteBox);
    muteBox->layout()->addWidget(m_muteButton);
    connect(m_muteButton, &QAbstractButton::clicked, this, [this] {
        if (auto action = m_actions.toggleMute)
            action();
    });
    m_widgetRow = row(DropdownPart::widgetRow, RowButton::Trailing::toggle);
    m_deviceRow = disclosure(DropdownPart::deviceRow);
    connect(m_deviceRow, &QAbstractButton::clicked, this,
            [this] { setDeviceExpanded(!m_deviceExpanded); });
    m_deviceList = new OptionList(2, this);
    m_deviceList->setFocusAnchor(m_deviceRow);
    connect(m_deviceList, &OptionList::optionChosen, this, &DropdownContent::chooseDevice);
    m_modeRow = disclosure(DropdownPart::modeRow);
    connect(m_modeRow, &QAbstractButton::clicked, this, [this] { runRow(DropdownPart::modeRow); });
    m_loginRow = row(DropdownPart::loginRow, RowButton::Trailing::toggle);
    m_settingsRow = row(DropdownPart::settingsRow, RowButton::Trailing::keyHint);
    m_donateRow = new DropdownDonateButton(this);
    connect(m_donateRow, &QAbstractButton::clicked, this, [this] {
        if (auto action = m_actions.donate)
            action();
    });
    m_quitRow = row(DropdownPart::quitRow, RowButton::Trailing::keyHint);

    m_layout->addWidget(m_header);
    m_layout->addWidget(muteBox);
    m_layout->addWidget(divider());
    m_layout->addWidget(m_widgetRow);
    m_layout->addWidget(m_deviceRow);
    m_layout->addWidget(m_deviceList);
    m_layout->addWidget(m_modeRow);
    m_layout->addWidget(divider());
    m_layout->addWidget(m_loginRow);
    m_layout->addWidget(m_settingsRow);
    m_layout->addWidget(m_donateRow);
    m_layout->addWidget(divider());
    m_layout->addWidget(m_quitRow);

    applyModel();
    resize(sizeHint());
}

void DropdownContent::setModel(DropdownModel model) {
    if (model == m_model)
        return;
    m_model = std::move(model);
    applyModel();
}

void DropdownContent::applyModel() {
    m_header->setState(m_model.isAvailable, m_model.isMuted, qs(m_model.deviceName));
    m_muteButton->setState(m_model.isAvailable, m_model.isMuted, qs(m_model.hotkey));
    m_widgetRow->setToggleOn(m_model.widgetVisible);
    m_deviceRow->setValueText(qs(m_model.deviceValue));
    m_modeRow->setValueText(qs(m_model.modeTitle));
    m_loginRow->setToggleOn(m_model.loginEnabled);
    m_settingsRow->setHint(
        qs(dropdownRow(DropdownPart::settingsRow, m_model, m_actions).trailingText));
    m_quitRow->setHint(qs(dropdownRow(DropdownPart::quitRow, m_model, m_actions).trailingText));
    m_donateRow->setVisible(m_model.showDonate);

    m_options = deviceChoices(m_model.selection, m_model.availableDevices);
    std::vector<ListOption> shown;
    shown.reserve(m_options.size());
    for (const DeviceChoice& option : m_options)
        shown.push_back({option.id, qs(option.title), option.selected});
    m_deviceList->setOptions(shown);
}

void DropdownContent::setDeviceExpanded(bool expanded) {
    if (expanded == m_deviceExpanded)
        return;
    m_deviceExpanded = expanded;
    m_deviceRow->setChevronTurned(expanded);
    m_deviceList->setOpen(expanded);
}

void DropdownContent::runRow(DropdownPart part) {
    // Take the action out first: it may close the dropdown and delete this card.
    const std::function<void()> action = dropdownRow(part, m_model, m_actions).action;
    if (action)
        action();
}

void DropdownContent::chooseDevice(const QString& id) {
    const std::string key = id.toStdString();
    for (const DeviceChoice& option : m_options) {
        if (option.id != key)
            continue;
        const DeviceSelection selection = option.selection;
        const auto select = m_actions.selectDevice;
        const Qt::FocusReason reason = focusReasonAfter(QApplication::focusWidget());
        setDeviceExpanded(false);
        m_deviceRow->setFocus(reason);
        if (select)
            select(selection);
        return;
    }
}

QWidget* DropdownContent::partWidget(DropdownPart part) const {
    switch (part) {
    case DropdownPart::header:
        return m_header;
    case DropdownPart::muteButton:
        return m_muteButton;
    case DropdownPart::divider:
        return m_firstDivider;
    case DropdownPart::widgetRow:
        return m_widgetRow;
    case DropdownPart::deviceRow:
        return m_deviceRow;
    case DropdownPart::deviceList:
        return m_deviceList;
    case DropdownPart::modeRow:
        return m_modeRow;
    case DropdownPart::loginRow:
        return m_loginRow;
    case DropdownPart::settingsRow:
        return m_settingsRow;
    case DropdownPart::donateRow:
        return m_donateRow;
    case DropdownPart::quitRow:
        return m_quitRow;
    }
    return nullptr;
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
