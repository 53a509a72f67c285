// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/plainbutton.h"

namespace quietlane {

class SwitchIndicator;

/// A row of a card (the dropdown or the settings window) ending in a switch or a key hint.
class RowButton : public PlainButton {
    Q_OBJECT
public:
    enum class Trailing { toggle, keyHint };
    RowButton(const QString& label, Trailing trailing, QWidget* parent = nullptr);

    void setToggleOn(bool on);
    void setHint(const QString& hint);
    SwitchIndicator* toggle() const { return m_toggle; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintContent(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;
    // The switch shows the model's value; a click only asks for the change.
    void nextCheckState() override {}

private:
    QString m_label;
    QString m_hint;
    SwitchIndicator* m_toggle = nullptr;
};

} // namespace quietlane
