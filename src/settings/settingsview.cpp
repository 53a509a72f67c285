// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsview.h"

#include "appearance/appearancemanager.h"
#include "away/awayservice.h"
#include "control/hotkeymanager.h"
#include "control/microphonecontroller.h"
#include "cues/soundcuecontroller.h"
#include "hud/hudcontroller.h"
#include "login/autostartservice.h"
#include "settings/hotkeychip.h"
#include "settings/moreshortcuts.h"
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
        recorder = new HotkeyChip(hotkeyDescription());
    }
    if (m_services.shortcuts) {
        // Asked once: it takes and gives back a key grab, which a refresh on every change
        // must not repeat.
        const auto& facts = m_services.shortcuts->sessionFacts();
        auto* grabs = m_services.shortcuts->backend().keyGrabs();
        m_micMuteKeyTaken =
            facts.gnome || facts.kde ||
            (grabs &&
             grabs->isHeldElsewhere(GlobalShortcuts::Shortcut(GlobalShortcuts::Key::micMute, 0)));
    }
    m_model.setState(currentState());
    connectRequests();
    m_content = new SettingsContent(m_model, recorder, CardBackground::glass, this);
    if (m_services.shortcuts) {
        using GlobalShortcuts::Name;
        auto recorderFor = [this](const Name& name) {
            return new GlobalShortcuts::RecorderField(*m_services.shortcuts, name);
        };
        m_content->moreShortcuts()->setRecorders({recorderFor(Name::mute()),
                                                  recorderFor(Name::unmute()),
                                                  recorderFor(Name::pushToMute())});
    }
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
    connect(&m_services.hud, &HUDController::hudForOtherProgramsChanged, this,
            &SettingsView::scheduleRefresh);
    auto& appearance = m_services.appearance;
    for (auto signal : {&AppearanceManager::themeChanged, &AppearanceManager::languageChanged,
                        &AppearanceManager::languageChangePendingChanged})
        connect(&appearance, signal, this, &SettingsView::scheduleRefresh);
    if (m_services.hotkeys) {
        connect(m_services.hotkeys, &HotkeyManager::modeChanged, this,
                &SettingsView::scheduleRefresh);
        connect(m_services.hotkeys, &HotkeyManager::pushToTalkTailMsChanged, this,
                &SettingsView::scheduleRefresh);
    }
    if (m_services.login) {
        connect(m_services.login, &AutostartService::enabledChanged, this,
                &SettingsView::scheduleRefresh);
    }
    if (m_services.cues) {
        connect(m_services.cues, &SoundCueController::enabledChanged, this,
                &SettingsView::scheduleRefresh);
        connect(m_services.cues, &SoundCueController::volumeChanged, this,
                &SettingsView::scheduleRefresh);
    }
    if (m_services.away) {
        connect(m_services.away, &AwayService::optionsChanged, this,
                &SettingsView::scheduleRefresh);
    }
    if (m_services.shortcuts) {
        connect(m_services.shortcuts, &GlobalShortcuts::ShortcutCenter::shortcutChanged, this,
                &SettingsView::scheduleRefresh);
    }
}

SettingsView::~SettingsView() = default;

ShortcutReach SettingsView::shortcutReach() const {
    using GlobalShortcuts::HotkeyRoute;
    const GlobalShortcuts::ShortcutCenter* center = m_services.shortcuts;
    if (!center)
        return ShortcutReach::everywhere;
    switch (center->route()) {
    case HotkeyRoute::x11Grab:
        return ShortcutReach::everywhere;
    case HotkeyRoute::portal: {
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
    case HotkeyRoute::xwaylandGrab:
        return center->sessionFacts().kde ? ShortcutReach::x11WindowsOnlyKde
                                          : ShortcutReach::x11WindowsOnly;
    case HotkeyRoute::unavailable:
        break;
    }
    return ShortcutReach::unavailable;
}

QString SettingsView::hotkeyDescription() const {
    return m_services.shortcuts
               ? m_services.shortcuts->hintText(GlobalShortcuts::Name::toggleMute())
               : QString::fromStdString(GlobalShortcuts::defaultShortcutText());
}

SettingsState SettingsView::currentState() const {
    const MicrophoneController& mic = m_services.microphone;
    const FloatingPanelController& panel = m_services.floatingPanel;
    const AppearanceManager& appearance = m_services.appearance;
    SettingsState model;
    model.selection = mic.selection();
    model.availableDevices = mic.availableDevices();
    model.isMuted = mic.isMuted();
    if (mic.hasActiveDeviceName())
        model.activeDeviceName = mic.activeDeviceName();
    model.usingVolumeFallback = mic.usingVolumeFallback();
    if (const AutostartService* login = m_services.login) {
        model.loginEnabled = login->isEnabled();
    }
    model.theme = appearance.theme();
    model.language = appearance.language();
    model.languageChangePending = appearance.languageChangePending();
    model.showHUD = m_services.hud.showHUD();
    model.hudForOtherPrograms = m_services.hud.hudForOtherPrograms();
    model.micMuteKeyTaken = m_micMuteKeyTaken;
    model.hotkeyDescription = hotkeyDescription();
    if (const HotkeyManager* hotkeys = m_services.hotkeys) {
        model.mode = hotkeys->mode();
        model.pushToTalkTailMs = hotkeys->pushToTalkTailMs();
    }
    model.shortcutReach = shortcutReach();
    model.widgetVisible = panel.isVisible();
    model.backgroundOpacity = panel.backgroundOpacity();
    model.foregroundOpacity = panel.foregroundOpacity();
    model.away = awaySettings();
    model.initialTab = SettingsTab::mic;
    return model;
}

AwaySettings SettingsView::awaySettings() const {
    AwaySettings settings;
    if (const SoundCueController* cues = m_services.cues) {
        settings.soundCues = cues->isEnabled();
        settings.soundCueVolume = cues->volume();
    }
    if (const AwayService* away = m_services.away) {
        settings.startMuted = away->startMuted();
        settings.muteOnLock = away->muteOnLock();
        settings.muteOnSuspend = away->muteOnSuspend();
        settings.restoreAfterLock = away->restoreAfterLock();
    }
    return settings;
}

// Each request writes one service; the service's change signal brings the new value back
// through the model. Without a service (a rendering) its rows do nothing. Nothing is
// written while the content is being filled: filling is not the user's choice.
template <typename Signal, typename Write>
void SettingsView::onRequest(Signal request, Write write) {
    connect(&m_model, request, this, [this, write](auto... value) {
        if (!m_filling)
            write(value...);
    });
}

void SettingsView::connectAwayRequests() {
    if (SoundCueController* cues = m_services.cues) {
        onRequest(&SettingsModel::soundCuesRequested, [cues](bool on) { cues->setEnabled(on); });
        onRequest(&SettingsModel::soundCueVolumeRequested,
                  [cues](double volume) { cues->setVolume(volume); });
    }
    if (AwayService* away = m_services.away) {
        onRequest(&SettingsModel::startMutedRequested,
                  [away](bool on) { away->setStartMuted(on); });
        onRequest(&SettingsModel::muteOnLockRequested,
                  [away](bool on) { away->setMuteOnLock(on); });
        onRequest(&SettingsModel::muteOnSuspendRequested,
                  [away](bool on) { away->setMuteOnSuspend(on); });
        onRequest(&SettingsModel::restoreAfterLockRequested,
                  [away](bool on) { away->setRestoreAfterLock(on); });
    }
}

void SettingsView::connectRequests() {
    onRequest(&SettingsModel::deviceSelected, [this](const DeviceSelection& selection) {
        m_services.microphone.setSelection(selection);
    });
    if (AutostartService* login = m_services.login)
        onRequest(&SettingsModel::loginRequested, [login](bool on) { login->setEnabled(on); });
    if (HotkeyManager* hotkeys = m_services.hotkeys) {
        onRequest(&SettingsModel::modeRequested,
                  [hotkeys](HotkeyMode mode) { hotkeys->setMode(mode); });
        onRequest(&SettingsModel::pushToTalkTailRequested,
                  [hotkeys](int milliseconds) { hotkeys->setPushToTalkTailMs(milliseconds); });
    }
    connect(&m_model, &SettingsModel::shortcutDialogRequested, this, [this] {
        if (auto* keys =
                m_services.shortcuts ? m_services.shortcuts->backend().desktopKeys() : nullptr)
            keys->configure();
    });
    AppearanceManager& appearance = m_services.appearance;
    onRequest(&SettingsModel::themeRequested,
              [&appearance](Theme theme) { appearance.setTheme(theme); });
    onRequest(&SettingsModel::languageRequested,
              [&appearance](Language language) { appearance.setLanguage(language); });
    HUDController& hud = m_services.hud;
    onRequest(&SettingsModel::showHUDRequested, [&hud](bool show) { hud.setShowHUD(show); });
    onRequest(&SettingsModel::hudForOtherProgramsRequested,
              [&hud](bool show) { hud.setHudForOtherPrograms(show); });
    FloatingPanelController& panel = m_services.floatingPanel;
    onRequest(&SettingsModel::widgetVisibleRequested,
              [&panel](bool visible) { panel.setVisible(visible); });
    onRequest(&SettingsModel::backgroundOpacityRequested,
              [&panel](double opacity) { panel.setBackgroundOpacity(opacity); });
    onRequest(&SettingsModel::foregroundOpacityRequested,
              [&panel](double opacity) { panel.setForegroundOpacity(opacity); });
    connectAwayRequests();
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
    m_model.setState(currentState());
    m_filling = false;
}

} // namespace quietlane
