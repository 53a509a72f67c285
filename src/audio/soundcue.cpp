// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/soundcue.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quietlane {

namespace {

// Two notes a fourth apart (A5 and E5), each with a soft attack and a quick decay, so the
// cue is heard over a call without being mistaken for the call's own sounds.
constexpr double kHighNote = 880.0;
constexpr double kLowNote = 659.25;
constexpr double kPeak = 0.35;
constexpr double kAttackSeconds = 0.004;

void addNote(std::vector<double>& out, std::size_t start, std::size_t length, double frequency) {
    const double rate = double(kCueSampleRate);
    for (std::size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = double(i) / rate;
        const double attack = std::min(1.0, t / kAttackSeconds);
        // A bell-like fall to about 5%, then the last 64 samples down to silence: a tone
        // cut off mid-swing clicks.
        const double decay = std::exp(-3.0 * double(i) / double(length));
        const double fade = i + 64 >= length ? double(length - i) / 64.0 : 1.0;
        const double tone = std::sin(2 * std::numbers::pi * frequency * t) +
                            0.25 * std::sin(4 * std::numbers::pi * frequency * t);
        out[start + i] += kPeak * attack * decay * fade * tone / 1.25;
    }
}

} // namespace

std::vector<std::int16_t> synthesizeCue(SoundCue cue) {
    const std::size_t total = std::size_t(kCueSampleRate) * std::size_t(kCueLength.count()) / 1000;
    const std::size_t half = total / 2;
    std::vector<double> mix(total, 0.0);
    const bool rising = cue == SoundCue::unmuted;
    addNote(mix, 0, half, rising ? kLowNote : kHighNote);
    addNote(mix, half, total - half, rising ? kHighNote : kLowNote);
    std::vector<std::int16_t> samples(total);
    std::transform(mix.begin(), mix.end(), samples.begin(), [](double value) {
        return std::int16_t(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0));
    });
    return samples;
}

const char* cueSampleName(SoundCue cue) {
    return cue == SoundCue::muted ? "quietlane-muted" : "quietlane-unmuted";
}

void SimulatedSoundCues::prepare() {
    const std::lock_guard lock(m_mutex);
    m_prepared = true;
}

void SimulatedSoundCues::play(SoundCue cue, double volume) {
    const std::lock_guard lock(m_mutex);
    if (m_prepared && volume > 0)
        m_played.push_back({cue, volume});
}

bool SimulatedSoundCues::isPrepared() const {
    const std::lock_guard lock(m_mutex);
    return m_prepared;
}

std::vector<SimulatedSoundCues::Played> SimulatedSoundCues::played() const {
    const std::lock_guard lock(m_mutex);
    return m_played;
}

} // namespace quietlane
