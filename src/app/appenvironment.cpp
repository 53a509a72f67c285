// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appenvironment.h"

#include "appearance/appearancemanager.h"
#include "away/awayservice.h"
#include "base/log.h"
#include "control/hotkeymanager.h"
#include "control/microphonecontroller.h"
#include "cues/soundcuecontroller.h"
#include "hud/hudcontroller.h"
#include "login/autostartservice.h"
#include "settings/settingscontent.h"
#include "settings/settingswindow.h"
#include "shortcuts/shortcutcenter.h"
#include "tray/traycontroller.h"
#include "widget/floatingpanelcontroller.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <iostream>

namespace quietlane {

AppEnvironment::AppEnvironment(Platform platform, Preferences& preferences, QStringList arguments,
                               QObject* parent)
    : QObject(parent), m_platform(platform), m_preferences(preferences),
      m_arguments(std::move(arguments)) {
    m_microphone = std::make_unique<MicrophoneController>(m_platform.soundServer, m_preferences);
    m_floatingPanel = std::make_unique<FloatingPanelController>(*m_microphone, m_preferences,
                                                                m_platform.windowHints);
    // A refused shortcut is reported on standard output, as the shortcut layer's contract.
    m_shortcuts = std::make_unique<GlobalShortcuts::ShortcutCenter>(
        m_preferences, m_platform.hotkeys, std::cout,
        GlobalShortcuts::notationForDesktop(
            qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString()));
    m_hotkeys = std::make_unique<HotkeyManager>(*m_microphone, *m_shortcuts, m_preferences);
    m_autostart = std::make_unique<AutostartService>();
    m_hud = std::make_unique<HUDController>(m_preferences, m_platform.windowHints);
    m_appearance = std::make_unique<AppearanceManager>(m_preferences);
    m_soundCues = std::make_unique<SoundCueController>(
        m_platform.soundCues ? *m_platform.soundCues : m_silentCues, m_preferences);
    m_away = std::make_unique<AwayService>(*m_microphone, m_preferences);
    Log::info(Log::Category::app, "AppEnvironment initialized");

    m_appearance->applyTheme();
    m_hud->observe(*m_microphone);
    m_soundCues->observe(*m_microphone);
    watchScreens();

    // The tray icon is made after the current start-up work, never inside this constructor.
    QMetaObject::invokeMethod(
        this,
        [self = QPointer(this)] {
            if (self)
                self->finishStartup();
        },
        Qt::QueuedConnection);
}

AppEnvironment::~AppEnvironment() = default;

void AppEnvironment::finishStartup() {
    m_tray = std::make_unique<TrayController>(TrayController::Services{
        *m_microphone, *m_floatingPanel, *m_autostart, m_hotkeys.get(), m_shortcuts.get(),
        [self = QPointer(this)] {
            if (self)
                self->showSettings();
        },
        [] { QCoreApplication::quit(); },
        [self = QPointer(this)] {
            if (self)
                self->showSettingsOn(SettingsTab::hotkey);
        },
        m_appearance.get()});
    if (m_arguments.contains(QStringLiteral("--open-settings")))
        showSettings();
    emit startupCompleted();
}

void AppEnvironment::showSettingsOn(SettingsTab tab) {
    showSettings();
    m_settingsWindow->view()->content()->setTab(tab);
}

void AppEnvironment::showSettings() {
    if (!m_settingsWindow) {
        m_settingsWindow = std::make_unique<SettingsWindow>(
            SettingsView::Services{*m_microphone, *m_floatingPanel, *m_hud, *m_appearance,
                                   m_shortcuts.get(), m_hotkeys.get(), m_autostart.get(),
                                   m_soundCues.get(), m_away.get()},
            [] { QCoreApplication::quit(); });
    }
    m_settingsWindow->present();
}

void AppEnvironment::watchScreens() {
    auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, &AppEnvironment::scheduleScreenChange);
        connect(screen, &QScreen::availableGeometryChanged, this,
                &AppEnvironment::scheduleScreenChange);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    connect(application, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
        watch(screen);
        scheduleScreenChange();
    });
    connect(application, &QGuiApplication::screenRemoved, this,
            &AppEnvironment::scheduleScreenChange);
    connect(application, &QGuiApplication::primaryScreenChanged, this,
            &AppEnvironment::scheduleScreenChange);
}

void AppEnvironment::scheduleScreenChange() {
    // One rearrangement reaches Qt as several signals (added, geometry, primary); the
    // widget is re-placed once, after all of them.
    if (m_screenChangePending)
        return;
    m_screenChangePending = true;
    QMetaObject::invokeMethod(
        this,
        [self = QPointer(this)] {
            if (!self)
                return;
            self->m_screenChangePending = false;
            self->m_floatingPanel->handleScreenChange();
        },
        Qt::QueuedConnection);
}

} // namespace quietlane
