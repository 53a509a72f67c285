// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace quietlane {

/// The two sounds the program plays: on a confirmed mute and on a confirmed unmute.
enum class SoundCue { muted, unmuted };

/// The sounds are made here, in code, so that no sound file has to ship: mono, signed
/// 16-bit, at this rate.
inline constexpr std::uint32_t kCueSampleRate = 48000;
inline constexpr std::chrono::milliseconds kCueLength{90};

/// A short two-note chime: falling for `muted`, rising for `unmuted`; kCueLength long.
std::vector<std::int16_t> synthesizeCue(SoundCue cue);

/// The name the sound is kept under in the sound server's sample cache.
const char* cueSampleName(SoundCue cue);

/// Plays the cues through the sound server. Never opens a recording stream and never
/// waits for the server: a cue that cannot play now is dropped.
class SoundCuePlayer {
public:
    virtual ~SoundCuePlayer() = default;
    /// Gets the sounds to the server (the first call connects); until they are there,
    /// play() does nothing.
    virtual void prepare() = 0;
    /// Starts `cue` at `volume` (0 silent, 1 full) and returns at once.
    virtual void play(SoundCue cue, double volume) = 0;
};

/// Keeps what would have played; for the simulated sound server, demos and tests.
class SimulatedSoundCues final : public SoundCuePlayer {
public:
    struct Played {
        SoundCue cue;
        double volume;
        friend bool operator==(const Played&, const Played&) = default;
    };

    void prepare() override;
    void play(SoundCue cue, double volume) override;
    bool isPrepared() const;
    std::vector<Played> played() const;

private:
    mutable std::mutex m_mutex;
    bool m_prepared = false;
    std::vector<Played> m_played;
};

} // namespace quietlane
