// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsview.h"

#include "appearance/appearancemanager.h"
#include "control/hotkeymanager.h"
#include "control/microphonecontroller.h"
#include "hud/hudcontroller.h"
#include "login/loginitemservice.h"
#include "settings/hotkeychip.h"
#include "settings/settingscontent.h"
#include "shortcuts/recorderfield.h"
#include "shortcuts/shortcutcenter.h"
#include "widget/floatingpanelcontroller.h"

#include <QPointer>
#include <QVBoxLayout>

namespace quietlane {

SettingsView::SettingsView(Services services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    QWidget* recorder = nullptr;
    if (m_services.shortcuts) {
        recorder = new GlobalShortcuts::RecorderField(*m_services.shortcuts,
                                                      GlobalShortcuts::Name::toggleMute());
    } else {
        recorder = new HotkeyChip(QString::fromStdString(hotkeyDescription()));
    }
    m_content =
        new SettingsContent(currentModel(), makeActions(), recorder, CardBackground::glass, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    connect(m_content, &SettingsContent::sizeReported, this, &SettingsView::sizeReported);

    auto& mic = m_services.microphone;
    for (auto signal :
         {&MicrophoneController::activeDeviceNameChanged,
          &MicrophoneController::availableDevicesChanged, &MicrophoneController::selectionChanged})
        connect(&mic, signal, this, &SettingsView::scheduleRefresh);
    connect(&mic, &MicrophoneController::isMutedChanged, this, &SettingsView::scheduleRefresh);
    connect(&mic, &MicrophoneController::usingVolumeFallbackChanged, this,
            &SettingsView::scheduleRefresh);
    auto& panel = m_services.floatingPanel;
    for (auto signal : {&FloatingPanelController::isVisibleChanged,
                        &FloatingPanelController::backgroundOpacityChanged,
                        &FloatingPanelController::foregroundOpacityChanged})
        connect(&panel, signal, this, &SettingsView::scheduleRefresh);
    connect(&m_services.hud, &HUDController::showHUDChanged, this, &SettingsView::scheduleRefresh);
    auto& appearance = m_services.appearance;
    for (auto signal : {&AppearanceManager::themeChanged, &AppearanceManager::languageChanged,
                        &AppearanceManager::languageChangePendingChanged})
        connect(&appearance, signal, this, &SettingsView::scheduleRefresh);
    if (m_services.hotkeys) {
        connect(m_services.hotkeys, &HotKeyManager::modeChanged, this,
                &SettingsView::scheduleRefresh);
    }
    if (m_services.login) {
        connect(m_services.login, &LoginItemService::enabledChanged, this,
                &SettingsView::scheduleRefresh);
        connect(m_services.login, &LoginItemService::requiresApprovalChanged, this,
                &SettingsView::scheduleRefresh);
    }
    if (m_services.shortcuts) {
        m_shortcutObserver = m_services.shortcuts->addChangeObserver(
            [this](const GlobalShortcuts::Name&) { scheduleRefresh(); });
    }
}

SettingsView::~SettingsView() {
    if (m_services.shortcuts)
        m_services.shortcuts->removeChangeObserver(m_shortcutObserver);
}

ShortcutReach SettingsView::shortcutReach() const {
    using GlobalShortcuts::HotKeyRoute;
    const GlobalShortcuts::ShortcutCenter* center = m_services.shortcuts;
    if (!center)
        return ShortcutReach::everywhere;
    switch (center->route()) {
    case HotKeyRoute::x11Grab:
        return ShortcutReach::everywhere;
    case HotKeyRoute::portal: {
        auto* keys = m_services.shortcuts->backend().desktopKeys();
        const auto current = center->shortcut(GlobalShortcuts::Name::toggleMute());
        if (keys && current && keys->isKeyUnheld(*current))
            return ShortcutReach::desktopKeyUnheld;
        if (keys && keys->canConfigure())
            return ShortcutReach::desktopConfigures;
        const GlobalShortcuts::SessionFacts& facts = center->sessionFacts();
        return facts.gnome      ? ShortcutReach::gnomeSettings
               : facts.kde      ? ShortcutReach::kdeSettings
               : facts.hyprland ? ShortcutReach::hyprlandConfig
                                : ShortcutReach::desktopSettings;
    }
    case HotKeyRoute::xwaylandGrab:
        return center->sessionFacts().kde ? ShortcutReach::x11WindowsOnlyKde
                                          : ShortcutReach::x11WindowsOnly;
    case HotKeyRoute::unavailable:
        break;
    }
    return ShortcutReach::unavailable;
}

std::string SettingsView::hotkeyDescription() const {
    if (!m_services.shortcuts)
        return GlobalShortcuts::defaultShortcutText();
    return m_services.shortcuts->hintText(GlobalShortcuts::Name::toggleMute());
}

SettingsModel SettingsView::currentModel() const {
    const MicrophoneController& mic = m_services.microphone;
    const FloatingPanelController& panel = m_services.floatingPanel;
    const AppearanceManager& appearance = m_services.appearance;
    SettingsModel model;
    model.selection = mic.selection();
    model.availableDevices = mic.availableDevices();
    model.isMuted = mic.isMuted();
    if (mic.hasActiveDeviceName())
        model.activeDeviceName = mic.activeDeviceName().toStdString();
    model.usingVolumeFallback = mic.usingVolumeFallback();
    if (const LoginItemService* login = m_services.login) {
        model.loginEnabled = login->isEnabled();
        model.loginRequiresApproval = login->requiresApproval();
    }
    model.theme = appearance.theme();
    model.language = appearance.language();
    model.languageChangePending = appearance.languageChangePending();
    model.showHUD = m_services.hud.showHUD();
    model.hotkeyDescription = hotkeyDescription();
    if (const HotKeyManager* hotkeys = m_services.hotkeys) {
        model.mode = hotkeys->mode() == HotKeyManager::Mode::pushToTalk ? HotkeyMode::pushToTalk
                                                                        : HotkeyMode::toggle;
    }
    model.shortcutReach = shortcutReach();
    model.widgetVisible = panel.isVisible();
    model.backgroundOpacity = panel.backgroundOpacity();
    model.foregroundOpacity = panel.foregroundOpacity();
    model.initialTab = SettingsTab::mic;
    return model;
}

SettingsActions SettingsView::makeActions() {
    // Each action writes one service; the service's change signal brings the new value
    // back through the model.
    auto guarded = [this](auto write) {
        return [this, write](auto value) {
            if (!m_filling)
                write(value);
        };
    };
    SettingsActions actions;
    actions.selectDevice = guarded([this](const DeviceSelection& selection) {
        m_services.microphone.setSelection(selection);
    });
    actions.setLogin = guarded([this](bool on) {
        if (m_services.login)
            m_services.login->setEnabled(on);
    });
    // The desktop has no page where autostart entries await approval: nothing to open.
    actions.openLoginSettings = [] {
    };
    actions.setMode = guarded([this](HotkeyMode mode) {
        if (m_services.hotkeys) {
            m_services.hotkeys->setMode(mode == HotkeyMode::pushToTalk
                                            ? HotKeyManager::Mode::pushToTalk
                                            : HotKeyManager::Mode::toggle);
        }
    });
    actions.configureShortcut = [this] {
        if (auto* keys =
                m_services.shortcuts ? m_services.shortcuts->backend().desktopKeys() : nullptr)
            keys->configure();
    };
    actions.setTheme = guarded([this](Theme theme) { m_services.appearance.setTheme(theme); });
    actions.setLanguage =
        guarded([this](Language language) { m_services.appearance.setLanguage(language); });
    actions.setShowHUD = guarded([this](bool show) { m_services.hud.setShowHUD(show); });
    actions.setWidgetVisible =
        guarded([this](bool visible) { m_services.floatingPanel.setVisible(visible); });
    actions.setBackgroundOpacity =
        guarded([this](double opacity) { m_services.floatingPanel.setBackgroundOpacity(opacity); });
    actions.setForegroundOpacity =
        guarded([this](double opacity) { m_services.floatingPanel.setForegroundOpacity(opacity); });
    return actions;
}

void SettingsView::scheduleRefresh() {
    // Several services may change in one turn (a device change moves name, list and
    // state); the content is refilled once, after all of them, and never from inside one
    // of its own click handlers.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(
        this,
        [self = QPointer(this)] {
            if (self)
                self->refresh();
        },
        Qt::QueuedConnection);
}

void SettingsView::refresh() {
    m_refreshPending = false;
    m_filling = true;
    m_content->setModel(currentModel());
    m_filling = false;
}

} // namespace quietlane
