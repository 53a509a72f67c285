// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/pulsesoundcues.h"

#include "base/log.h"
#include "base/translation.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/proplist.h>
#include <pulse/scache.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace quietlane {

namespace {

// A server that went away is looked for again at this pace; the mute path reconnects
// faster, and a missed cue is no harm.
constexpr pa_usec_t kRetryDelay = 1000 * PA_USEC_PER_MSEC;

std::size_t slot(SoundCue cue) {
    return cue == SoundCue::muted ? 0 : 1;
}

constexpr std::array<SoundCue, 2> kCues{SoundCue::muted, SoundCue::unmuted};

pa_proplist* eventProperties(SoundCue cue, const std::string& title) {
    pa_proplist* properties = pa_proplist_new();
    // Desktops route and scale "event" sounds as notifications, not as media.
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "event");
    pa_proplist_sets(properties, PA_PROP_EVENT_ID, cueSampleName(cue));
    // What mixers show while the cue plays.
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, title.c_str());
    return properties;
}

} // namespace

void CueMainloopDeleter::operator()(pa_threaded_mainloop* mainloop) const {
    pa_threaded_mainloop_free(mainloop);
}

void CueContextDeleter::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void CueStreamDeleter::operator()(pa_stream* stream) const {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_unref(stream);
}

// libpulse calls these on the cue thread with its lock held.
class CueCallbacks {
public:
    static void contextState(pa_context* context, void* userdata) {
        auto* self = static_cast<PulseSoundCues*>(userdata);
        if (context != self->m_context.get())
            return;
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            for (SoundCue cue : kCues)
                self->upload(cue);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            self->connectionLost();
            break;
        default:
            break;
        }
    }

    static void uploadWritable(pa_stream* stream, std::size_t length, void* userdata) {
        auto* self = static_cast<PulseSoundCues*>(userdata);
        for (SoundCue cue : kCues) {
            const std::size_t index = slot(cue);
            if (self->m_uploads[index].get() != stream)
                continue;
            const auto& sound = self->m_sounds[index];
            const std::size_t total = sound.size() * sizeof(std::int16_t);
            std::size_t& written = self->m_written[index];
            const std::size_t count = std::min(length, total - written);
            if (count > 0) {
                pa_stream_write(stream, reinterpret_cast<const char*>(sound.data()) + written,
                                count, nullptr, 0, PA_SEEK_RELATIVE);
                written += count;
            }
            if (written == total) {
                pa_stream_set_write_callback(stream, nullptr, nullptr);
                pa_stream_finish_upload(stream);
            }
        }
    }

    static void uploadState(pa_stream* stream, void* userdata) {
        auto* self = static_cast<PulseSoundCues*>(userdata);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state != PA_STREAM_TERMINATED && state != PA_STREAM_FAILED)
            return;
        for (auto& upload : self->m_uploads) {
            if (upload.get() != stream)
                continue;
            // A finished upload ends its stream; the sound now lives in the cache.
            if (state == PA_STREAM_TERMINATED)
                ++self->m_uploaded;
            else
                Log::error(Log::Category::audio, "cannot upload a sound cue: %s",
                           pa_strerror(pa_context_errno(self->m_context.get())));
            upload.reset();
        }
        pa_threaded_mainloop_signal(self->m_mainloop.get(), 0);
    }

    static void retry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* userdata) {
        auto* self = static_cast<PulseSoundCues*>(userdata);
        api->time_free(event);
        self->m_retry = nullptr;
        self->m_retired.reset();
        self->connect();
    }
};

PulseSoundCues::PulseSoundCues() {
    for (SoundCue cue : kCues)
        m_sounds[slot(cue)] = synthesizeCue(cue);
    m_mainloop.reset(pa_threaded_mainloop_new());
    if (!m_mainloop)
        throw std::runtime_error("cannot create the sound cues' main loop");
    m_api = pa_threaded_mainloop_get_api(m_mainloop.get());
    pa_threaded_mainloop_set_name(m_mainloop.get(), "quietlane-cues");
}

PulseSoundCues::~PulseSoundCues() {
    if (!m_started)
        return;
    pa_threaded_mainloop_lock(m_mainloop.get());
    if (m_retry)
        m_api->time_free(m_retry);
    for (auto& upload : m_uploads)
        upload.reset();
    m_context.reset();
    m_retired.reset();
    pa_threaded_mainloop_unlock(m_mainloop.get());
    pa_threaded_mainloop_stop(m_mainloop.get());
}

void PulseSoundCues::prepare() {
    // Nobody who leaves the cues off pays for a second connection or thread.
    if (m_started)
        return;
    // Here rather than at construction: the interface language is known by now.
    m_titles = {translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон выключен")),
                translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон включён"))};
    if (pa_threaded_mainloop_start(m_mainloop.get()) < 0) {
        Log::error(Log::Category::audio, "cannot start the sound cues' thread");
        return;
    }
    m_started = true;
    pa_threaded_mainloop_lock(m_mainloop.get());
    connect();
    pa_threaded_mainloop_unlock(m_mainloop.get());
}

void PulseSoundCues::connect() {
    m_uploaded = 0;
    m_context.reset(pa_context_new(m_api, "Quietlane sound cues"));
    if (!m_context) {
        connectionLost();
        return;
    }
    pa_context_set_state_callback(m_context.get(), CueCallbacks::contextState, this);
    if (pa_context_connect(m_context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        m_context)
        connectionLost();
}

void PulseSoundCues::connectionLost() {
    // Kept until the retry: this may run inside a call on the context itself.
    m_retired = std::move(m_context);
    for (auto& upload : m_uploads)
        upload.reset();
    m_uploaded = 0;
    if (m_retry)
        return;
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, kRetryDelay);
    m_retry = m_api->time_new(m_api, &when, CueCallbacks::retry, this);
}

void PulseSoundCues::upload(SoundCue cue) {
    const std::size_t index = slot(cue);
    const pa_sample_spec spec{PA_SAMPLE_S16LE, kCueSampleRate, 1};
    pa_proplist* properties = eventProperties(cue, m_titles[slot(cue)]);
    m_uploads[index].reset(pa_stream_new_with_proplist(m_context.get(), cueSampleName(cue), &spec,
                                                       nullptr, properties));
    pa_proplist_free(properties);
    pa_stream* stream = m_uploads[index].get();
    if (!stream)
        return;
    m_written[index] = 0;
    pa_stream_set_state_callback(stream, CueCallbacks::uploadState, this);
    pa_stream_set_write_callback(stream, CueCallbacks::uploadWritable, this);
    // An upload stream fills a cache entry; it is neither playback nor recording.
    if (pa_stream_connect_upload(stream, m_sounds[index].size() * sizeof(std::int16_t)) < 0)
        m_uploads[index].reset();
}

void PulseSoundCues::play(SoundCue cue, double volume) {
    if (!m_started || volume <= 0 || pa_threaded_mainloop_in_thread(m_mainloop.get()))
        return;
    // The volume scale of the server is the one its mixers show, so the setting's
    // percentage means what a desktop's volume slider means.
    const auto level = pa_volume_t(std::clamp(volume, 0.0, 1.0) * double(PA_VOLUME_NORM));
    pa_threaded_mainloop_lock(m_mainloop.get());
    if (m_context && m_uploaded == int(kCues.size()) &&
        pa_context_get_state(m_context.get()) == PA_CONTEXT_READY) {
        pa_proplist* properties = eventProperties(cue, m_titles[slot(cue)]);
        pa_operation* operation = pa_context_play_sample_with_proplist(
            m_context.get(), cueSampleName(cue), nullptr, level, properties, nullptr, nullptr);
        pa_proplist_free(properties);
        if (operation)
            pa_operation_unref(operation);
    }
    pa_threaded_mainloop_unlock(m_mainloop.get());
}

bool PulseSoundCues::waitUntilUploaded(std::chrono::milliseconds timeout) {
    if (!m_started)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pa_threaded_mainloop_lock(m_mainloop.get());
    while (m_uploaded < int(kCues.size()) && std::chrono::steady_clock::now() < deadline) {
        pa_threaded_mainloop_unlock(m_mainloop.get());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pa_threaded_mainloop_lock(m_mainloop.get());
    }
    const bool uploaded = m_uploaded == int(kCues.size());
    pa_threaded_mainloop_unlock(m_mainloop.get());
    return uploaded;
}

} // namespace quietlane
