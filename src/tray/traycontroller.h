// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tray/dropdownmodel.h"
#include "tray/dropdownplacement.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <map>

class QMenu;
class QSystemTrayIcon;

namespace quietlane {

class AppearanceManager;
class DropdownContent;
class DropdownPanel;
class FloatingPanelController;
class HotkeyManager;
class AutostartService;
class MicrophoneController;
namespace GlobalShortcuts {
class ShortcutCenter;
}

/// The tray icon, whose symbol follows the mute state, and the dropdown that opens from
/// it. It keeps the dropdown's model in step with the live services and carries out what
/// the dropdown asks for.
class TrayController : public QObject {
    Q_OBJECT
public:
    struct Services {
        MicrophoneController& microphone;
        FloatingPanelController& floatingPanel;
        AutostartService& autostart;
        HotkeyManager* hotkeys = nullptr;                     // absent: no mode text
        GlobalShortcuts::ShortcutCenter* shortcuts = nullptr; // absent: no shortcut hint
        std::function<void()> showSettings;
        std::function<void()> quit;
        /// Opens the settings on the shortcut page (the mode row leads there); empty: the
        /// plain `showSettings`.
        std::function<void()> showShortcutSettings = {};
        /// Its switches between light and dark redraw the icon; absent: only state changes do.
        AppearanceManager* appearance = nullptr;
    };

    explicit TrayController(Services services, QObject* parent = nullptr);
    ~TrayController() override;

    /// Opens the dropdown if it is closed, closes it if it is open. A request within 0.25 s
    /// of the last closing is ignored: it is the same click that just closed it.
    void togglePanel();
    bool isPanelOpen() const { return !m_panel.isNull(); }

    /// The dropdown's model; the widget's context menu offers its requests where no tray
    /// exists.
    DropdownModel& model() { return m_model; }
    /// Fills `menu` with the dropdown's requests, for a context menu.
    void populateMenu(QMenu& menu);

    QSystemTrayIcon* trayIcon() const { return m_tray; }
    /// Opens the dropdown for an icon at `anchor` (global coordinates); an empty anchor
    /// means the pointer's position.
    void openAt(const QRect& anchor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTray();
    void watchWidget();
    void updateIcon();
    void refreshModel();
    void connectRequests();
    void closePanel();
    void resizePanelToFit();

    Services m_services;
    DropdownModel m_model;
    QSystemTrayIcon* m_tray = nullptr;
    // By (available, muted); a theme switch clears it.
    std::map<std::pair<bool, bool>, QIcon> m_icons;
    QPointer<DropdownPanel> m_panel;
    QPointer<DropdownContent> m_content;
    DropdownPlacement::Side m_side = DropdownPlacement::Side::below;
    // The frame last given to the panel: the window may already have been stretched by its
    // layout when a refit runs, which would lose the edge the card is anchored at.
    DropdownPlacement::Box m_frame;
    double m_lastCloseUptime = -1;
};

} // namespace quietlane
