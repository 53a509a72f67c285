// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPropertyAnimation>
#include <QWidget>

#include <string>
#include <vector>

class QGraphicsOpacityEffect;
class QVBoxLayout;

namespace quietlane {

class SelectOptionButton;

struct ListOption {
    std::string id; // unique within the list
    QString title;
    bool selected = false;
};

/// The choices under an expanding row. It fades in when opened and out when closed.
class OptionList : public QWidget {
    Q_OBJECT
public:
    OptionList(int bottomInset, QWidget* parent = nullptr);

    void setOptions(const std::vector<ListOption>& options);
    /// The widget the keyboard reaches the list from (its row); the choices follow it.
    void setFocusAnchor(QWidget* anchor) { m_anchor = anchor; }
    const std::vector<ListOption>& options() const { return m_options; }
    SelectOptionButton* button(size_t index) const;

    /// Shows or hides the list; the fade runs only while the window is visible.
    void setOpen(bool open);
    bool isOpen() const { return m_open; }

signals:
    void optionChosen(const QString& id);

private:
    std::vector<ListOption> m_options;
    std::vector<SelectOptionButton*> m_buttons;
    QVBoxLayout* m_layout;
    QGraphicsOpacityEffect* m_opacity;
    QPropertyAnimation m_fade;
    bool m_open = false;
    QWidget* m_anchor = nullptr;
};

} // namespace quietlane
