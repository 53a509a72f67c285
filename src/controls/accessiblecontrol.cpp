// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/accessiblecontrol.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace quietlane {

namespace {

AccessibleControl* controlOf(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget ? dynamic_cast<AccessibleControl*>(widget) : nullptr;
}

class DrawnControlInterface : public QAccessibleWidget,
                              public QAccessibleValueInterface,
                              public QAccessibleTextInterface {
public:
    explicit DrawnControlInterface(QWidget* widget) : QAccessibleWidget(widget) {}

    AccessibleControl* control() const { return controlOf(object()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        AccessibleControl* c = control();
        if (type == QAccessible::ValueInterface && c && c->accessibleRange())
            return static_cast<QAccessibleValueInterface*>(this);
        if (type == QAccessible::TextInterface && c &&
            c->accessibleRole() == QAccessible::EditableText)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::Role role() const override {
        AccessibleControl* c = control();
        return c ? c->accessibleRole() : QAccessibleWidget::role();
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (AccessibleControl* c = control())
            c->addAccessibleState(state);
        return state;
    }

    QString text(QAccessible::Text t) const override {
        AccessibleControl* c = control();
        if (t == QAccessible::Value && c) {
            if (const auto numeric = c->accessibleRange();
                numeric && c->accessibleValueText().isEmpty())
                return QString::number(numeric->value);
            return c->accessibleValueText();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names;
        if (AccessibleControl* c = control(); c && widget()->isEnabled())
            names = c->accessibleActions();
        for (const QString& name : QAccessibleWidget::actionNames()) {
            if (!names.contains(name))
                names << name;
        }
        return names;
    }

    void doAction(const QString& name) override {
        AccessibleControl* c = control();
        if (c && widget()->isEnabled() && c->accessibleActions().contains(name))
            c->doAccessibleAction(name);
        else
            QAccessibleWidget::doAction(name);
    }

    // The value of a slider.
    QVariant currentValue() const override { return range().value; }
    void setCurrentValue(const QVariant& value) override {
        if (AccessibleControl* c = control(); c && c->accessibleRange()) {
            const AccessibleControl::Range r = range();
            c->requestAccessibleValue(std::clamp(value.toDouble(), r.lower, r.upper));
        }
    }
    QVariant maximumValue() const override { return range().upper; }
    QVariant minimumValue() const override { return range().lower; }
    QVariant minimumStepSize() const override { return range().step; }

    // The text of a field that shows, but does not edit, its text.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString all = fieldText();
        start = std::clamp(start, 0, int(all.size()));
        end = end < 0 ? int(all.size()) : std::clamp(end, start, int(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return int(fieldText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    AccessibleControl::Range range() const {
        AccessibleControl* c = control();
        return c ? c->accessibleRange().value_or(AccessibleControl::Range{})
                 : AccessibleControl::Range{};
    }
    QString fieldText() const {
        AccessibleControl* c = control();
        return c ? c->accessibleValueText() : QString();
    }
};

// Qt leaves popup windows out of the application's children, so the dropdown (a popup,
// which closes on a click outside it) could not be found from the application. Popups
// that are drawn controls are listed after the other windows.
class ApplicationInterface : public QAccessibleApplication {
public:
    int childCount() const override {
        return QAccessibleApplication::childCount() + int(popups().size());
    }
    QAccessibleInterface* child(int index) const override {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QWidget*> extra = popups();
        return index - windows < extra.size()
                   ? QAccessible::queryAccessibleInterface(extra.at(index - windows))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const int index = QAccessibleApplication::indexOfChild(child);
        if (index >= 0 || !child)
            return index;
        const int extra = int(popups().indexOf(qobject_cast<QWidget*>(child->object())));
        return extra < 0 ? -1 : QAccessibleApplication::childCount() + extra;
    }

private:
    static QList<QWidget*> popups() {
        QList<QWidget*> found;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->windowType() == Qt::Popup && window->isVisible() && controlOf(window))
                found << window;
        }
        return found;
    }
};

QAccessibleInterface* drawnControlFactory(const QString&, QObject* object) {
    if (object && object == QCoreApplication::instance() && qobject_cast<QApplication*>(object))
        return new ApplicationInterface;
    if (controlOf(object))
        return new DrawnControlInterface(static_cast<QWidget*>(object));
    return nullptr;
}

// Before the application exists, so that its own interface is already ours when an
// assistive technology first asks for it.
const bool kFactoryInstalled = (QAccessible::installFactory(drawnControlFactory), true);

} // namespace

AccessibleControl::AccessibleControl() {
    Q_UNUSED(kFactoryInstalled);
}

void AccessibleControl::notifyState(QWidget* widget, QAccessible::State changed) {
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
}

void AccessibleControl::notifyValue(QWidget* widget) {
    AccessibleControl* control = controlOf(widget);
    if (!control)
        return;
    const auto range = control->accessibleRange();
    QAccessibleValueChangeEvent event(widget, range ? QVariant(range->value)
                                                    : QVariant(control->accessibleValueText()));
    QAccessible::updateAccessibility(&event);
}

} // namespace quietlane
