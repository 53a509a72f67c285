// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/accessiblecontrol.h"
#include "settings/settingsview.h"

#include <QWidget>

#include <functional>

class QScrollArea;

namespace quietlane {

/// The settings window: an ordinary, focusable window of the content's size (it follows
/// the chosen tab and cannot be resized by hand), but never taller than its screen: then
/// the page scrolls. Closing only hides it; it keeps the chosen tab and open lists for the
/// next time. Escape and Ctrl+W close it, Ctrl+Q runs `quit`.
class SettingsWindow : public QWidget, public AccessibleControl {
    Q_OBJECT
public:
    SettingsWindow(SettingsView::Services services, std::function<void()> quit,
                   QWidget* parent = nullptr);

    /// Shows the window, or brings it to the front when it is open already. The first
    /// time it is centred on the screen under the pointer.
    void present();

    SettingsView* view() const { return m_view; }

    QAccessible::Role accessibleRole() const override { return QAccessible::Window; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void fitTo(QSize size);
    void centreOnScreen();

    SettingsView* m_view;
    QScrollArea* m_scroll;
    QSize m_contentSize;
    bool m_placed = false;
    bool m_centring = false;
};

} // namespace quietlane
