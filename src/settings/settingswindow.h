// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settingsview.h"

#include <QWidget>

namespace quietlane {

/// The settings window: an ordinary, focusable window of the content's size (it follows
/// the chosen tab and cannot be resized by hand). Closing only hides it; it keeps the
/// chosen tab and open lists for the next time.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsWindow(SettingsView::Services services, QWidget* parent = nullptr);

    /// Shows the window, or brings it to the front when it is open already.
    void present();

    SettingsView* view() const { return m_view; }

private:
    void fitTo(QSize size);

    SettingsView* m_view;
};

} // namespace quietlane
