// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/plainbutton.h"

#include "controls/controlpalette.h"

#include <QKeyEvent>
#include <QPainter>

namespace quietlane {

PlainButton::PlainButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void PlainButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintContent(painter);
    if (hasFocus() && m_showFocus)
        ControlPalette::paintFocusRing(painter, rect(), m_focusRadius);
}

void PlainButton::keyPressEvent(QKeyEvent* event) {
    // QAbstractButton answers Space only; these rows act like menu items, where Enter works too.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        event->accept();
        return;
    }
    // Rows stack vertically, so the arrow keys walk them like a menu.
    if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
        focusNextPrevChild(event->key() == Qt::Key_Down);
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void PlainButton::focusInEvent(QFocusEvent* event) {
    // A mouse click focuses the row too; only the keyboard (and a window opening with the
    // focus on its first control) needs the outline.
    m_showFocus = event->reason() != Qt::MouseFocusReason;
    QAbstractButton::focusInEvent(event);
}

QAccessible::Role PlainButton::accessibleRole() const {
    return isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
}

void PlainButton::addAccessibleState(QAccessible::State& state) const {
    if (isCheckable()) {
        state.checkable = true;
        state.checked = isChecked();
    }
}

QStringList PlainButton::accessibleActions() const {
    if (isCheckable())
        return {QAccessibleActionInterface::toggleAction(),
                QAccessibleActionInterface::pressAction()};
    return {QAccessibleActionInterface::pressAction()};
}

void PlainButton::doAccessibleAction(const QString&) {
    // Toggling through QAbstractButton would flip a mark the row never reads; the row's
    // own click asks for the change and the model sets the mark.
    click();
}

Qt::FocusReason focusReasonAfter(const QWidget* from) {
    const auto* button = qobject_cast<const PlainButton*>(from);
    return button && button->showsFocusRing() ? Qt::OtherFocusReason : Qt::MouseFocusReason;
}

bool PlainButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

} // namespace quietlane
