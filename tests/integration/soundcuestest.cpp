// SPDX-License-Identifier: GPL-3.0-or-later
// The sound cues on a private PulseAudio with a null sink, seen through the server's own
// event stream (`pactl subscribe`): a cue plays when the cues are on and never when off,
// and nothing of ours ever opens a recording stream.
#include "soundserver.h"

#include "../eventloop.h"
#include "audio/pulse/pulseserver.h"
#include "audio/pulse/pulsesoundcues.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "cues/soundcuecontroller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quietlane;
using namespace quietlane::testing;
using quietlane::test::spinUntil;
using namespace std::chrono_literals;

namespace {

/// `pactl subscribe` as a child process, its lines collected as they come.
class ServerEvents {
public:
    ServerEvents() {
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        m_child = ::fork();
        if (m_child == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execlp("pactl", "pactl", "subscribe", nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        m_reader = std::thread([this, input = fds[0]] {
            std::string pending;
            char buffer[512];
            ssize_t count = 0;
            while ((count = ::read(input, buffer, sizeof buffer)) > 0) {
                pending.append(buffer, std::size_t(count));
                for (auto end = pending.find('\n'); end != std::string::npos;
                     end = pending.find('\n')) {
                    const std::lock_guard lock(m_mutex);
                    m_lines.push_back(pending.substr(0, end));
                    pending.erase(0, end + 1);
                }
            }
            ::close(input);
        });
    }
    ~ServerEvents() {
        ::kill(m_child, SIGTERM);
        ::waitpid(m_child, nullptr, 0);
        m_reader.join();
    }

    int count(const std::string& what) const {
        const std::lock_guard lock(m_mutex);
        return int(std::count_if(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.find(what) != std::string::npos;
        }));
    }

private:
    pid_t m_child = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

constexpr const char* kSamplePlays = "'new' on sink-input";

} // namespace

TEST(SoundCuesOnPulseAudio, PlayFromTheSampleCacheOnlyWhileOnAndNeverRecord) {
    SoundServer server(SoundServerKind::pulseAudio);
    server.addSink("cue_speakers");
    server.pactl("set-default-sink cue_speakers");
    server.addSource("cue_mic", "CueMic", 1);
    server.pactl("set-default-source cue_mic");
    ServerEvents events;
    // The stream is live once it reports a change made after it started.
    ASSERT_TRUE(eventually([&] {
        server.pactl("set-sink-mute cue_speakers toggle");
        return events.count("'change' on sink") > 0;
    }));

    Preferences preferences(server.directory() + "/prefs.json");
    preferences.setBool("soundCues", true);
    PulseServer soundServer;
    PulseSoundCues player;
    MicrophoneController mic(soundServer, preferences);
    SoundCueController cues(player, preferences);
    cues.observe(mic);
    ASSERT_TRUE(spinUntil([&] { return !mic.availableDevices().empty(); }));
    ASSERT_TRUE(player.waitUntilUploaded(5s));
    EXPECT_TRUE(eventually([&] { return events.count("'new' on sample-cache") == 2; }));

    // Each change is confirmed and its cue decided on before the next one.
    auto setMuted = [&](bool muted) {
        mic.setMuted(muted);
        ASSERT_TRUE(spinUntil([&] { return mic.isMuted() == muted && !cues.isCueWaiting(); }));
    };
    setMuted(true);
    ASSERT_TRUE(spinUntil([&] { return events.count(kSamplePlays) == 1; }))
        << "the mute's cue did not play";

    // Off: changes play nothing. Every cue goes out on the one cue connection in order, so
    // one played here would reach the server before the next one played while on.
    cues.setEnabled(false);
    setMuted(false);
    setMuted(true);
    setMuted(false);
    cues.setEnabled(true);
    setMuted(true);
    ASSERT_TRUE(spinUntil([&] { return events.count(kSamplePlays) >= 2; }));
    EXPECT_EQ(events.count(kSamplePlays), 2) << "a cue played while the cues were off";

    // The server lists every recording stream it opens; none was.
    EXPECT_EQ(events.count("source-output"), 0);
}
