// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>

class QPainter;
class QWidget;
class QRectF;

// The colours and faces of the program's own dark cards (dropdown and settings window).
namespace quietlane::ControlPalette {

QColor panel();
QColor green();
QColor red();
/// The red of text: a lighter shade, which reads at 4.5:1 on the cards.
QColor redText();
QColor donate();
/// White at opacity `alpha`: the cards draw every neutral tone this way.
QColor white(double alpha);

enum class Weight { regular, medium, semibold };
/// Inter at `pixelSize` logical pixels; the layouts are measured in those units.
QFont interFont(Weight weight, int pixelSize);

enum class Symbol { checkmark, microphone, keyboard, dotCircle };
/// Draws a small line symbol into `box`; the symbols stand in for the platform's icon set.
void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color);

/// Gives a stock dialog (an alert) the cards' dark colours and face, so that it does not
/// flash light over them.
void applyCardLook(QWidget& dialog);

/// Outline drawn around a control that has keyboard focus.
void paintFocusRing(QPainter& painter, const QRectF& box, double radius);

} // namespace quietlane::ControlPalette
