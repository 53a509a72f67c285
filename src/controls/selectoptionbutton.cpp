// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/selectoptionbutton.h"

#include "controls/controlpalette.h"

#include <QPainter>

namespace quietlane {

namespace {
QFont titleFont() {
    return ControlPalette::interFont(ControlPalette::Weight::regular, 13);
}
constexpr int kLeading = 18;
constexpr int kTrailing = 14;
constexpr int kVertical = 7;
constexpr int kCheckWidth = 14;
constexpr int kSpacing = 8;
} // namespace

SelectOptionButton::SelectOptionButton(QWidget* parent) : PlainButton(parent) {
    // Checkable so that assistive technology reads the selection; the mark itself only
    // follows setSelected.
    setCheckable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SelectOptionButton::setTitle(const QString& title) {
    if (title == text())
        return;
    setText(title);
    setAccessibleName(title);
    updateGeometry();
}

void SelectOptionButton::setSelected(bool selected) {
    setChecked(selected);
    update();
}

QSize SelectOptionButton::sizeHint() const {
    const QFontMetrics metrics(titleFont());
    return {kLeading + kCheckWidth + kSpacing + metrics.horizontalAdvance(text()) + 8 + kTrailing,
            metrics.height() + 2 * kVertical};
}

QSize SelectOptionButton::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void SelectOptionButton::paintContent(QPainter& painter) {
    const QRectF content = QRectF(rect()).adjusted(kLeading, kVertical, -kTrailing, -kVertical);
    if (isChecked()) {
        const QRectF mark(content.left() + (kCheckWidth - 11) / 2.0, content.center().y() - 5.5, 11,
                          11);
        ControlPalette::paintSymbol(painter, ControlPalette::Symbol::checkmark, mark,
                                    ControlPalette::green());
    }
    const QRectF titleBox = content.adjusted(kCheckWidth + kSpacing, 0, -8, 0);
    painter.setFont(titleFont());
    painter.setPen(ControlPalette::white(0.85));
    painter.drawText(
        titleBox, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(titleFont()).elidedText(text(), Qt::ElideRight, titleBox.width()));
}

} // namespace quietlane
