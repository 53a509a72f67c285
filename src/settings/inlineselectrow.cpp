// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/inlineselectrow.h"

#include "controls/disclosurebutton.h"
#include "controls/plainbutton.h"

#include <QApplication>
#include <QVBoxLayout>

namespace quietlane {

InlineSelectRow::InlineSelectRow(const QString& label, QWidget* parent)
    : QWidget(parent), m_header(new DisclosureButton(label, 10, this)),
      m_list(new OptionList(4, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_list);
    m_list->setFocusAnchor(m_header);
    connect(m_header, &QAbstractButton::clicked, this, [this] { setExpanded(!m_expanded); });
    connect(m_list, &OptionList::optionChosen, this, &InlineSelectRow::choose);
}

void InlineSelectRow::setValueText(const QString& text) {
    m_header->setValueText(text);
}

void InlineSelectRow::setOptions(std::vector<Option> options) {
    std::vector<ListOption> shown;
    shown.reserve(options.size());
    for (const Option& option : options)
        shown.push_back({option.id, option.title, option.selected});
    m_options = std::move(options);
    m_list->setOptions(shown);
}

void InlineSelectRow::setExpanded(bool expanded) {
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    m_header->setChevronTurned(expanded);
    m_list->setOpen(expanded);
    emit expandedChanged(expanded);
}

void InlineSelectRow::choose(const QString& id) {
    const std::string key = id.toStdString();
    const Qt::FocusReason reason = focusReasonAfter(QApplication::focusWidget());
    // Copy the action out: it may replace the options (and this row's list) while it runs.
    std::function<void()> action;
    for (const Option& option : m_options) {
        if (option.id == key)
            action = option.action;
    }
    if (action)
        action();
    const bool listHadFocus = m_list->isAncestorOf(focusWidget());
    setExpanded(false);
    if (listHadFocus)
        m_header->setFocus(reason);
}

} // namespace quietlane
