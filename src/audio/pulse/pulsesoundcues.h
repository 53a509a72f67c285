// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/soundcue.h"

#include <array>
#include <chrono>
#include <memory>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;

namespace quietlane {

struct CueMainloopDeleter {
    void operator()(pa_threaded_mainloop* mainloop) const;
};
struct CueContextDeleter {
    void operator()(pa_context* context) const;
};
struct CueStreamDeleter {
    void operator()(pa_stream* stream) const;
};

/// Plays the cues from the sound server's sample cache: each sound is uploaded once per
/// connection and then played by name, which costs the server no more than a click of a
/// desktop's own event sounds. It runs on a small connection and thread of its own, so a
/// cue never waits for a mute write or delays one, and it reconnects (and uploads again)
/// when the server comes back.
class PulseSoundCues final : public SoundCuePlayer {
public:
    PulseSoundCues();
    ~PulseSoundCues() override;
    PulseSoundCues(const PulseSoundCues&) = delete;
    PulseSoundCues& operator=(const PulseSoundCues&) = delete;

    void prepare() override;
    void play(SoundCue cue, double volume) override;
    /// Waits until both sounds are in the server's cache; false after `timeout`.
    bool waitUntilUploaded(std::chrono::milliseconds timeout);

private:
    friend class CueCallbacks;

    void connect();
    void connectionLost();
    void upload(SoundCue cue);

    std::unique_ptr<pa_threaded_mainloop, CueMainloopDeleter> m_mainloop;
    pa_mainloop_api* m_api = nullptr;
    // Everything below belongs to the main loop thread (or to holders of its lock).
    std::unique_ptr<pa_context, CueContextDeleter> m_context;
    std::unique_ptr<pa_context, CueContextDeleter> m_retired;
    std::array<std::unique_ptr<pa_stream, CueStreamDeleter>, 2> m_uploads;
    std::array<std::vector<std::int16_t>, 2> m_sounds;
    std::array<std::string, 2> m_titles;
    std::array<std::size_t, 2> m_written{};
    pa_time_event* m_retry = nullptr;
    int m_uploaded = 0;
    bool m_started = false;
};

} // namespace quietlane
