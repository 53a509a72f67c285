// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"
#include "hud/hudtimeline.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace quietlane {

class HUDPanel;
class MicrophoneController;
class WindowHints;

/// Flashes the indicator in the middle of the main screen after every change of the mute
/// state, whoever made it, or, when the user chose so, only after the changes made
/// through the program (the desktop may show its own for the rest). Runs timers only while
/// the indicator is on screen.
class HUDController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool showHUD READ showHUD WRITE setShowHUD NOTIFY showHUDChanged)
    Q_PROPERTY(bool hudForOtherPrograms READ hudForOtherPrograms WRITE setHudForOtherPrograms NOTIFY
                   hudForOtherProgramsChanged)

public:
    using Clock = std::function<HudTimeline::TimePoint()>;

    /// `clock` defaults to the monotonic clock.
    HUDController(Preferences& preferences, WindowHints& hints, Clock clock = {},
                  QObject* parent = nullptr);
    ~HUDController() override;

    /// Starts following the mute state; nothing shows during the first 1.2 s.
    void observe(MicrophoneController& mic);

    bool showHUD() const { return m_showHUD; }
    /// Turning it off leaves an indicator already on screen to finish on its own.
    void setShowHUD(bool show);

    /// Also for changes made by other programs (stored under "hudForOtherPrograms").
    bool hudForOtherPrograms() const { return m_forOtherPrograms; }
    void setHudForOtherPrograms(bool show);

    /// The indicator window once it has been shown; for tests and screenshots.
    HUDPanel* panel() const;

signals:
    void showHUDChanged();
    void hudForOtherProgramsChanged();

private:
    void muteChanged();
    void schedulePresent();
    void present();
    void advance();

    Preferences& m_preferences;
    WindowHints& m_hints;
    Clock m_clock;
    QPointer<MicrophoneController> m_mic;
    std::unique_ptr<HUDPanel> m_panel;
    HudTimeline m_timeline;
    QTimer m_timer;
    bool m_showHUD;
    bool m_forOtherPrograms;
    bool m_presentPending = false;
};

} // namespace quietlane
