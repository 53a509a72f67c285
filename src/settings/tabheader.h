// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/accessiblecontrol.h"
#include "settings/settingstab.h"

#include <QWidget>

#include <array>

namespace quietlane {

class TabButton;

/// The segmented bar over the settings pages. It shows `current` and asks for a change
/// through `selectRequested`; the caller decides and passes the new current tab back.
class TabHeader : public QWidget, public AccessibleControl {
    Q_OBJECT
public:
    explicit TabHeader(QWidget* parent = nullptr);
    ~TabHeader() override;

    QAccessible::Role accessibleRole() const override { return QAccessible::PageTabList; }

    SettingsTab current() const { return m_current; }
    void setCurrent(SettingsTab tab);

signals:
    void selectRequested(quietlane::SettingsTab tab);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TabButton;
    void requestNeighbour(SettingsTab from, int step);

    SettingsTab m_current = SettingsTab::mic;
    std::array<TabButton*, 3> m_buttons{};
};

} // namespace quietlane
