// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/accessiblecontrol.h"
#include "controls/paintcache.h"
#include "widget/dragtracker.h"
#include "widget/floatingwidgetview.h"

#include <QWidget>

namespace quietlane {

class WindowHints;

/// The round widget's window: 64 × 64, frameless, above other windows, never focused.
/// Every press on it is either a click or a drag that moves the window itself. Assistive
/// technology sees a button whose Press action is a click.
class FloatingPanel : public QWidget, public AccessibleControl {
    Q_OBJECT
public:
    static constexpr int kSide = 64;

    explicit FloatingPanel(WindowHints& hints);

    void setLook(const FloatingWidgetView::Look& look);
    const FloatingWidgetView::Look& look() const { return m_look; }

    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
    QString accessibleValueText() const override;
    QStringList accessibleActions() const override;
    void doAccessibleAction(const QString& name) override;

signals:
    /// A press that ended without becoming a drag.
    void clicked();
    /// A drag ended with the window's top-left corner at `topLeft` (global, toolkit form).
    void moved(QPoint topLeft);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateAccessibility();

    PaintCache<FloatingWidgetView::Look> m_paintCache;

    WindowHints& m_hints;
    FloatingWidgetView::Look m_look;
    DragTracker m_tracker;
    bool m_painted = false;
};

} // namespace quietlane
