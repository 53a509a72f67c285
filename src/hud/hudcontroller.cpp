// SPDX-License-Identifier: GPL-3.0-or-later
#include "hud/hudcontroller.h"

#include "control/microphonecontroller.h"
#include "hud/hudpanel.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace quietlane {

namespace {
constexpr const char* kShowHUDKey = "showHUD";
constexpr const char* kForOtherProgramsKey = "hudForOtherPrograms";
// Frame interval of the fade.
constexpr std::chrono::milliseconds kFadeFrame{16};
} // namespace

HUDController::HUDController(Preferences& preferences, WindowHints& hints, Clock clock,
                             QObject* parent)
    : QObject(parent), m_preferences(preferences), m_hints(hints),
      m_clock(clock ? std::move(clock) : Clock([] { return HudTimeline::Clock::now(); })),
      m_showHUD(preferences.boolValue(kShowHUDKey).value_or(true)),
      m_forOtherPrograms(preferences.boolValue(kForOtherProgramsKey).value_or(true)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &HUDController::advance);
}

HUDController::~HUDController() = default;

HUDPanel* HUDController::panel() const {
    return m_panel.get();
}

void HUDController::observe(MicrophoneController& mic) {
    m_mic = &mic;
    m_timeline.startWatching(m_clock());
    connect(&mic, &MicrophoneController::isMutedChanged, this, &HUDController::muteChanged);
}

void HUDController::setHudForOtherPrograms(bool show) {
    if (show != m_forOtherPrograms) {
        m_forOtherPrograms = show;
        emit hudForOtherProgramsChanged();
    }
    m_preferences.setBool(kForOtherProgramsKey, show);
}

void HUDController::muteChanged() {
    // Who made the change is known only now, while the change is being announced.
    if (m_forOtherPrograms || (m_mic && m_mic->lastMuteChangeRequestedHere()))
        schedulePresent();
}

void HUDController::setShowHUD(bool show) {
    if (show != m_showHUD) {
        m_showHUD = show;
        emit showHUDChanged();
    }
    m_preferences.setBool(kShowHUDKey, show);
}

void HUDController::schedulePresent() {
    // Changes that arrive before the presentation runs fold into it: it shows the state
    // current at that moment.
    if (m_presentPending)
        return;
    m_presentPending = true;
    QMetaObject::invokeMethod(this, &HUDController::present, Qt::QueuedConnection);
}

void HUDController::present() {
    m_presentPending = false;
    if (!m_showHUD || !m_mic)
        return;
    if (!m_timeline.present(m_clock()))
        return;
    if (!m_panel)
        m_panel = std::make_unique<HUDPanel>(m_hints);
    m_panel->setMuted(m_mic->isMuted());
    // A press lands here just as the sound server tells every client about the change, and
    // each request to the X server (and the window manager's answer to a raise) competes
    // with that on a busy machine: an indicator already on screen only changes its glyph.
    if (!m_panel->isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            m_panel->move(area.x() + (area.width() - m_panel->width()) / 2,
                          area.y() + (area.height() - m_panel->height()) / 2);
        }
        m_panel->setWindowOpacity(1.0);
        m_panel->show();
        m_panel->raise();
    } else if (m_panel->windowOpacity() < 1.0) {
        m_panel->setWindowOpacity(1.0);
    }
    advance();
}

void HUDController::advance() {
    if (!m_panel)
        return;
    const HudTimeline::TimePoint now = m_clock();
    switch (m_timeline.phase(now)) {
    case HudTimeline::Phase::hidden:
        m_timer.stop();
        m_panel->hide();
        return;
    case HudTimeline::Phase::holding:
        if (m_panel->windowOpacity() < 1.0)
            m_panel->setWindowOpacity(1.0);
        break;
    case HudTimeline::Phase::fading:
        m_panel->setWindowOpacity(m_timeline.opacity(now));
        break;
    }
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(*m_timeline.nextChange(now) - now);
    if (m_timeline.phase(now) == HudTimeline::Phase::fading)
        wait = std::min(wait, kFadeFrame);
    m_timer.start(std::max(wait, std::chrono::milliseconds(1)));
}

} // namespace quietlane
