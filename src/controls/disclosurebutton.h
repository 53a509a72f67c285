// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/plainbutton.h"

#include <QVariantAnimation>

namespace quietlane {

/// A full-width row: a label on the left, a value and a "›" chevron on the right. The
/// chevron turns down while the row's list is open.
class DisclosureButton : public PlainButton {
    Q_OBJECT
public:
    DisclosureButton(const QString& label, int verticalInset, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    QString valueText() const { return m_value; }
    void setValueText(const QString& value);
    /// Animated over 0.15 s while visible.
    void setChevronTurned(bool turned);
    bool isChevronTurned() const { return m_turned; }

    QAccessible::State expandState() const;
    void addAccessibleState(QAccessible::State& state) const override;
    QString accessibleValueText() const override { return m_value; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintContent(QPainter& painter) override;

private:
    void updateAccessibleName();

    QString m_label;
    QString m_value;
    int m_verticalInset;
    bool m_turned = false;
    double m_angle = 0;
    QVariantAnimation m_animation;
};

} // namespace quietlane
