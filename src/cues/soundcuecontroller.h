// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cues/cuegate.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace quietlane {

class MicrophoneController;
class Preferences;
class SoundCuePlayer;

/// Plays a short sound when the sound server confirms a mute or an unmute (off unless
/// "soundCues" is on), at the volume under "soundCueVolume". The first state read at
/// start, or after the server comes back, is not a change and plays nothing.
class SoundCueController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(double volume READ volume WRITE setVolume NOTIFY volumeChanged)

public:
    using Clock = std::function<CueGate::TimePoint()>;

    /// `player` must outlive the controller; `clock` defaults to the monotonic clock.
    SoundCueController(SoundCuePlayer& player, Preferences& preferences, Clock clock = {},
                       QObject* parent = nullptr);
    ~SoundCueController() override;

    void observe(MicrophoneController& mic);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    double volume() const { return m_volume; }
    /// Kept within 0...1.
    void setVolume(double volume);
    /// A change is waiting to have stood long enough for its cue.
    bool isCueWaiting() const { return m_timer.isActive(); }

signals:
    void enabledChanged();
    void volumeChanged();

private:
    void mutedChanged(bool muted);
    void playIfDue();

    SoundCuePlayer& m_player;
    Preferences& m_preferences;
    Clock m_clock;
    QPointer<MicrophoneController> m_mic;
    CueGate m_gate;
    QTimer m_timer;
    bool m_enabled;
    double m_volume;
};

} // namespace quietlane
