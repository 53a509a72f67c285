// SPDX-License-Identifier: GPL-3.0-or-later
#include "cues/soundcuecontroller.h"

#include "base/preferences.h"
#include "control/microphonecontroller.h"

#include <algorithm>

namespace quietlane {

namespace {
constexpr const char* kEnabledKey = "soundCues";
constexpr const char* kVolumeKey = "soundCueVolume";
constexpr double kDefaultVolume = 0.5;
} // namespace

SoundCueController::SoundCueController(SoundCuePlayer& player, Preferences& preferences,
                                       Clock clock, QObject* parent)
    : QObject(parent), m_player(player), m_preferences(preferences),
      m_clock(clock ? std::move(clock) : Clock([] { return CueGate::Clock::now(); })),
      m_enabled(preferences.boolValue(kEnabledKey).value_or(false)),
      m_volume(std::clamp(preferences.doubleValue(kVolumeKey).value_or(kDefaultVolume), 0.0, 1.0)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SoundCueController::playIfDue);
    if (m_enabled)
        m_player.prepare();
}

SoundCueController::~SoundCueController() = default;

void SoundCueController::observe(MicrophoneController& mic) {
    m_mic = &mic;
    connect(&mic, &MicrophoneController::isMutedChanged, this, &SoundCueController::mutedChanged);
}

void SoundCueController::setEnabled(bool enabled) {
    m_preferences.setBool(kEnabledKey, enabled);
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        m_player.prepare();
    emit enabledChanged();
}

void SoundCueController::setVolume(double volume) {
    volume = std::clamp(volume, 0.0, 1.0);
    m_preferences.setDouble(kVolumeKey, volume);
    if (volume == m_volume)
        return;
    m_volume = volume;
    emit volumeChanged();
}

void SoundCueController::mutedChanged(bool muted) {
    // The controller announces the state before the device list when a server's first
    // answer arrives: a change seen while no device is known is that first read.
    if (!m_enabled || !m_mic || !m_mic->isAvailable() || m_mic->availableDevices().empty())
        return;
    m_gate.changed(muted, m_clock());
    playIfDue();
}

void SoundCueController::playIfDue() {
    const CueGate::TimePoint now = m_clock();
    const auto cue = m_gate.take(now);
    if (cue && m_enabled)
        m_player.play(*cue, m_volume);
    if (const auto due = m_gate.dueAt()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
        m_timer.start(std::max(wait, std::chrono::milliseconds(1)));
    } else {
        m_timer.stop();
    }
}

} // namespace quietlane
