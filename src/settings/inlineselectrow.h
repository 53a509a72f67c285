// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/optionlist.h"

#include <QWidget>

#include <functional>

namespace quietlane {

class DisclosureButton;

/// A settings row that opens in place into its list of choices. The caller says which
/// choice is selected and what the value text is; choosing runs the choice's action and
/// closes the list, also when the choice was already selected.
class InlineSelectRow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool expanded READ isExpanded WRITE setExpanded NOTIFY expandedChanged)
public:
    struct Option {
        std::string id;
        QString title;
        bool selected = false;
        std::function<void()> action;
    };

    explicit InlineSelectRow(const QString& label, QWidget* parent = nullptr);

    void setValueText(const QString& text);
    void setOptions(std::vector<Option> options);

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    DisclosureButton* header() const { return m_header; }
    OptionList* list() const { return m_list; }

signals:
    void expandedChanged(bool expanded);

private:
    void choose(const QString& id);

    DisclosureButton* m_header;
    OptionList* m_list;
    std::vector<Option> m_options;
    bool m_expanded = false;
};

} // namespace quietlane
