// SPDX-License-Identifier: GPL-3.0-or-later
// The sound cues on a private PulseAudio with a null sink, seen through the server's own
// event stream (`pactl subscribe`): a change plays its cue from the sample cache, and
// nothing of ours ever opens a recording stream.
#include "childprocess.h"
#include "soundserver.h"

#include "../eventloop.h"
#include "audio/pulse/pulseserver.h"
#include "audio/pulse/pulsesoundcues.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "cues/soundcuecontroller.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quietlane;
using namespace quietlane::testing;
using quietlane::test::spinUntil;
using namespace std::chrono_literals;

namespace {

/// `pactl subscribe`, the server's own event stream, and the lines it has sent so far.
class ServerEvents {
public:
    int count(const std::string& what) {
        for (std::string line; !(line = m_child.line(0ms)).starts_with('<');)
            m_lines.push_back(line);
        return int(std::count_if(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.find(what) != std::string::npos;
        }));
    }

private:
    ChildProcess m_child{{"pactl", "subscribe"}, true};
    std::vector<std::string> m_lines;
};

constexpr const char* kSamplePlays = "'new' on sink-input";

} // namespace

TEST(SoundCuesOnPulseAudio, PlayFromTheSampleCacheAndNeverRecord) {
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

    mic.setMuted(true);
    ASSERT_TRUE(spinUntil([&] { return mic.isMuted() && !cues.isCueWaiting(); }));
    ASSERT_TRUE(spinUntil([&] { return events.count(kSamplePlays) == 1; }))
        << "the mute's cue did not play";

    // The server lists every recording stream it opens; none was.
    EXPECT_EQ(events.count("source-output"), 0);
}
