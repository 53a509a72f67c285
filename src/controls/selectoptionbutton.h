// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/plainbutton.h"

namespace quietlane {

/// One choice of an open list: a check mark when selected (its room is kept when not) and
/// the title. The caller decides what is selected; clicking does not change the mark.
class SelectOptionButton : public PlainButton {
    Q_OBJECT
public:
    explicit SelectOptionButton(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSelected(bool selected);
    bool isSelected() const { return isChecked(); }

    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintContent(QPainter& painter) override;
    void nextCheckState() override {}
};

} // namespace quietlane
