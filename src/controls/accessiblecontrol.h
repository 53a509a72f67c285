// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QStringList>

#include <optional>

class QWidget;

namespace quietlane {

/// What a drawn control tells assistive technology: Qt only knows the base class (a
/// QAbstractButton or a bare QWidget), so it would call a switch a push button, a slider a
/// filler, and its Toggle action would flip a state that the control never reads. A widget
/// that also derives from this class gets an accessibility interface built from it, and
/// subclasses of the control inherit it.
class AccessibleControl {
public:
    AccessibleControl();
    virtual ~AccessibleControl() = default;

    virtual QAccessible::Role accessibleRole() const = 0;
    /// Adds what the widget alone does not say (checked, selected, expanded).
    virtual void addAccessibleState(QAccessible::State& state) const { Q_UNUSED(state); }
    /// Action names, QAccessibleActionInterface's own or the control's.
    virtual QStringList accessibleActions() const { return {}; }
    virtual void doAccessibleAction(const QString& name) { Q_UNUSED(name); }
    /// The text of a field (a recorder's shortcut) or the value of an expanding row.
    virtual QString accessibleValueText() const { return {}; }

    struct Range {
        double value = 0;
        double lower = 0;
        double upper = 1;
        double step = 0.01;
    };
    /// The number a slider shows; none for other controls.
    virtual std::optional<Range> accessibleRange() const { return std::nullopt; }
    /// Asks for a new value, as a drag or a key press would.
    virtual void requestAccessibleValue(double value) { Q_UNUSED(value); }

    /// Tells assistive technology that `changed` states of `widget` have new values.
    static void notifyState(QWidget* widget, QAccessible::State changed);
    /// Tells it that the value (text or number) of `widget` changed.
    static void notifyValue(QWidget* widget);
};

} // namespace quietlane
