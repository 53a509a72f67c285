// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/optionlist.h"

#include "controls/selectoptionbutton.h"

#include <QGraphicsOpacityEffect>
#include <QVBoxLayout>

namespace quietlane {

OptionList::OptionList(int bottomInset, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)),
      m_opacity(new QGraphicsOpacityEffect(this)) {
    m_layout->setContentsMargins(0, 0, 0, bottomInset);
    m_layout->setSpacing(0);
    m_opacity->setOpacity(1);
    m_opacity->setEnabled(false);
    setGraphicsEffect(m_opacity);
    m_fade.setTargetObject(m_opacity);
    m_fade.setPropertyName("opacity");
    m_fade.setDuration(150);
    m_fade.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_fade, &QPropertyAnimation::finished, this, [this] {
        m_opacity->setEnabled(false);
        if (!m_open)
            hide();
    });
    hide();
}

void OptionList::setOptions(const std::vector<ListOption>& options) {
    m_options = options;
    // Buttons are reused by position so that a refresh keeps keyboard focus in place.
    while (m_buttons.size() > options.size()) {
        delete m_buttons.back();
        m_buttons.pop_back();
    }
    while (m_buttons.size() < options.size()) {
        auto* button = new SelectOptionButton(this);
        const size_t index = m_buttons.size();
        connect(button, &QAbstractButton::clicked, this, [this, index] {
            if (index < m_options.size())
                emit optionChosen(QString::fromStdString(m_options[index].id));
        });
        m_layout->addWidget(button);
        m_buttons.push_back(button);
    }
    // Buttons made later than the rows below would otherwise come last in the Tab order.
    QWidget* previous = m_anchor;
    for (SelectOptionButton* button : m_buttons) {
        if (previous)
            QWidget::setTabOrder(previous, button);
        previous = button;
    }
    for (size_t i = 0; i < options.size(); ++i) {
        m_buttons[i]->setTitle(options[i].title);
        m_buttons[i]->setSelected(options[i].selected);
    }
}

SelectOptionButton* OptionList::button(size_t index) const {
    return index < m_buttons.size() ? m_buttons[index] : nullptr;
}

void OptionList::setOpen(bool open) {
    if (open == m_open)
        return;
    m_open = open;
    m_fade.stop();
    const bool animate = window() && window()->isVisible();
    if (!animate) {
        m_opacity->setEnabled(false);
        setVisible(open);
        return;
    }
    m_opacity->setEnabled(true);
    m_fade.setStartValue(open ? 0.0 : m_opacity->opacity());
    m_fade.setEndValue(open ? 1.0 : 0.0);
    if (open)
        show();
    m_fade.start();
}

} // namespace quietlane
