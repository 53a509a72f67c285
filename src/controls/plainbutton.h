// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/accessiblecontrol.h"

#include <QAbstractButton>

namespace quietlane {

/// A button without system chrome: the subclass draws everything. The whole rectangle is
/// clickable, Space and Enter press it, and keyboard focus shows as a thin outline.
/// Assistive technology sees a button, or a check box when it is checkable; its actions
/// click it, so they do what a click does.
class PlainButton : public QAbstractButton, public AccessibleControl {
    Q_OBJECT
public:
    explicit PlainButton(QWidget* parent = nullptr);

    /// Corner radius of the focus outline.
    void setFocusRadius(double radius) { m_focusRadius = radius; }
    /// True while the button has focus that the keyboard gave it (the outline is drawn).
    bool showsFocusRing() const { return hasFocus() && m_showFocus; }

    QAccessible::Role accessibleRole() const override;
    void addAccessibleState(QAccessible::State& state) const override;
    QStringList accessibleActions() const override;
    void doAccessibleAction(const QString& name) override;

protected:
    virtual void paintContent(QPainter& painter) = 0;

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    double m_focusRadius = 8;
    bool m_showFocus = false;
};

/// The reason to give when focus moves on from `from` by the program's doing (a list that
/// collapses into its row): the outline stays on only when `from` showed it, so a choice
/// made with the mouse leaves no ring behind.
Qt::FocusReason focusReasonAfter(const QWidget* from);

} // namespace quietlane
