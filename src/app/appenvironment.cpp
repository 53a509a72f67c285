// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appenvironment.h"

#include "app/log.h"
#include "appearance/appearancemanager.h"
#include "control/microphonecontroller.h"
#include "hud/hudcontroller.h"
#include "widget/floatingpanelcontroller.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

namespace quietlane {

AppEnvironment::AppEnvironment(HalBackend& hal, Preferences& preferences, WindowHints& hints,
                               QStringList arguments, QObject* parent)
    : QObject(parent), m_hal(hal), m_preferences(preferences), m_hints(hints),
      m_arguments(std::move(arguments)) {
    m_microphone = std::make_unique<MicrophoneController>(m_hal, m_preferences);
    m_floatingPanel =
        std::make_unique<FloatingPanelController>(*m_microphone, m_preferences, m_hints);
    // The hotkey manager and the login item service join here, in this order.
    m_hud = std::make_unique<HUDController>(m_preferences, m_hints);
    m_appearance = std::make_unique<AppearanceManager>(m_preferences);
    Log::info(Log::Category::app, "AppEnvironment initialized");

    m_appearance->applyTheme();
    m_hud->observe(*m_microphone);
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
    // The tray icon (menu bar controller) is created here, before "--open-settings".
    if (m_arguments.contains(QStringLiteral("--open-settings")))
        showSettings();
    emit startupCompleted();
}

void AppEnvironment::showSettings() {
    // The settings window joins here; until then the request is only recorded.
    Log::info(Log::Category::app, "settings window requested");
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
