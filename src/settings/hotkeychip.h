// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace quietlane {

/// A key combination shown as a small rounded badge ("Ctrl+Alt+Super+M").
class HotkeyChip : public QWidget {
    Q_OBJECT
public:
    explicit HotkeyChip(const QString& text = {}, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace quietlane
