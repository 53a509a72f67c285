// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/tabheader.h"

#include "controls/controlpalette.h"
#include "controls/plainbutton.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

namespace quietlane {

namespace {
ControlPalette::Symbol symbolFor(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::mic:
        return ControlPalette::Symbol::microphone;
    case SettingsTab::hotkey:
        return ControlPalette::Symbol::keyboard;
    case SettingsTab::widget:
        return ControlPalette::Symbol::dotCircle;
    }
    return ControlPalette::Symbol::microphone;
}
} // namespace

class TabButton : public PlainButton {
public:
    TabButton(TabHeader* header, SettingsTab tab)
        : PlainButton(header), m_header(header), m_tab(tab) {
        setText(QString::fromStdString(title(tab)));
        setAccessibleName(text());
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(this, &QAbstractButton::clicked, header,
                [this] { emit m_header->selectRequested(m_tab); });
    }

    void setCurrent(bool current) {
        if (current == m_isCurrent)
            return;
        m_isCurrent = current;
        QAccessible::State changed;
        changed.selected = true;
        notifyState(this, changed);
        update();
    }

    QAccessible::Role accessibleRole() const override { return QAccessible::PageTab; }
    void addAccessibleState(QAccessible::State& state) const override {
        state.selectable = true;
        state.selected = m_isCurrent;
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(ControlPalette::interFont(ControlPalette::Weight::medium, 13));
        return {12 + 12 + 6 + metrics.horizontalAdvance(text()) + 12, metrics.height() + 14};
    }

protected:
    void paintContent(QPainter& painter) override {
        const bool current = m_isCurrent;
        if (current) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(ControlPalette::white(0.12));
            painter.drawRoundedRect(QRectF(rect()), 8, 8);
        }
        const QColor color = ControlPalette::white(current ? 0.95 : 0.68);
        const QFont font = ControlPalette::interFont(
            current ? ControlPalette::Weight::medium : ControlPalette::Weight::regular, 13);
        const QFontMetrics metrics(font);
        const int contentWidth = 12 + 6 + metrics.horizontalAdvance(text());
        const double left = (width() - contentWidth) / 2.0;
        ControlPalette::paintSymbol(painter, symbolFor(m_tab),
                                    QRectF(left, (height() - 12) / 2.0, 12, 12), color);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(left + 18, 0, width() - left - 18, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
            m_header->requestNeighbour(m_tab, event->key() == Qt::Key_Left ? -1 : 1);
            event->accept();
            return;
        }
        PlainButton::keyPressEvent(event);
    }

private:
    TabHeader* m_header;
    SettingsTab m_tab;
    bool m_isCurrent = false;
};

TabHeader::TabHeader(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Разделы настроек"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    for (size_t i = 0; i < kAllSettingsTabs.size(); ++i) {
        m_buttons[i] = new TabButton(this, kAllSettingsTabs[i]);
        layout->addWidget(m_buttons[i], 1);
    }
    m_buttons[0]->setCurrent(true);
}

TabHeader::~TabHeader() = default;

void TabHeader::setCurrent(SettingsTab tab) {
    m_current = tab;
    for (size_t i = 0; i < kAllSettingsTabs.size(); ++i)
        m_buttons[i]->setCurrent(kAllSettingsTabs[i] == tab);
}

void TabHeader::requestNeighbour(SettingsTab from, int step) {
    const int count = int(kAllSettingsTabs.size());
    int index = 0;
    while (kAllSettingsTabs[size_t(index)] != from)
        ++index;
    const int next = index + step;
    if (next < 0 || next >= count)
        return;
    m_buttons[size_t(next)]->setFocus(Qt::TabFocusReason);
    emit selectRequested(kAllSettingsTabs[size_t(next)]);
}

void TabHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlPalette::white(0.05));
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

} // namespace quietlane
