// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace quietlane {

/// One line of text, right-aligned and vertically centred, whose digits all take the width
/// of the widest one, so a number that changes under a drag keeps its place. (The Inter
/// face's digits are proportional, and Qt 6.4 cannot ask a font for tabular figures.)
class EqualDigitsLabel : public QWidget {
    Q_OBJECT
public:
    explicit EqualDigitsLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setColor(const QColor& color);

    /// The width the text takes in this label's font.
    double textWidth(const QString& text) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double digitCell() const;

    QString m_text;
    QColor m_color;
};

} // namespace quietlane
