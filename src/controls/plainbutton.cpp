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
    // A mouse click focuses the row too; only keyboard navigation needs the outline.
    m_showFocus =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::OtherFocusReason || event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

Qt::FocusReason focusReasonAfter(const QWidget* from) {
    const auto* button = qobject_cast<const PlainButton*>(from);
    return button && button->showsFocusRing() ? Qt::OtherFocusReason : Qt::MouseFocusReason;
}

bool PlainButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

} // namespace quietlane
