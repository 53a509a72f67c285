// SPDX-License-Identifier: GPL-3.0-or-later
// The command line and D-Bus against the real program on a private X server, PulseAudio
// and session bus: every switch, a watcher that sees the shortcut and pactl, the path
// without an instance.
#include "soundserver.h"
#include "xsession.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace std::chrono_literals;
using quietlane::testing::ChildProcess;
using quietlane::testing::runCommand;
using quietlane::testing::waitUntil;
namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

Result runQuietlane(const std::string& arguments) {
    const std::string errors = fs::temp_directory_path() / ("ql-err-" + std::to_string(getpid()));
    Result result;
    result.out = runCommand(std::string(QUIETLANE_BINARY) + " " + arguments + " 2>" + errors,
                            &result.status);
    std::ifstream in(errors);
    result.err.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(errors);
    return result;
}

std::string gdbus(const std::string& arguments) {
    return runCommand("gdbus call --session --dest com.quietlane.Quietlane --object-path "
                      "/com/quietlane/Quietlane " +
                      arguments + " 2>&1");
}

} // namespace

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The sound server drops the session bus from the environment; this test's bus
        // comes from dbus-run-session and is put back for the program.
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        const std::string busAddress = bus ? bus : "";
        server = std::make_unique<quietlane::testing::SoundServer>(
            quietlane::testing::SoundServerKind::pulseAudio);
        server->addSource("mic", "Mic");
        server->pactl("set-default-source mic");
        if (!busAddress.empty())
            setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
        std::string error;
        ASSERT_TRUE(session.start(error)) << error;
        setenv("DISPLAY", session.display().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (fs::path(server->directory()) / "config").c_str(), 1);
        // The channel of this test's instances only: a takeover must not reach anyone else's.
        const fs::path runtime = fs::path(server->directory()) / "run";
        fs::create_directory(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("LANG", "C.UTF-8", 1);
        unsetenv("QT_QPA_PLATFORM");
    }
    // Standard output closed, or a pipe nobody reads: the change is made all the same,
    // and the lost report is an error.
    void expectLostReport() {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        close(ends[0]);
        for (const std::string& output : {std::string(">&-"), ">&" + std::to_string(ends[1])}) {
            const bool mutedBefore = server->sourceMuted("mic");
            for (const char* control : {"--status", "--toggle"}) {
                const Result result = runQuietlane(control + (" " + output));
                EXPECT_EQ(result.status, 1) << control << output;
                EXPECT_EQ(result.err.rfind("quietlane: cannot write to standard output: ", 0), 0u)
                    << control << output << ": " << result.err;
                EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
            }
            EXPECT_EQ(server->sourceMuted("mic"), !mutedBefore) << output;
        }
        close(ends[1]);
    }

    std::unique_ptr<quietlane::testing::SoundServer> server;
    quietlane::testing::XSession session;
};

TEST_F(ControlTest, SwitchesWatchAndDBusDriveTheRunningInstance) {
    ChildProcess app({QUIETLANE_BINARY});
    ASSERT_TRUE(waitUntil([] { return runQuietlane("--status").out == "unmuted\n"; }, 10s))
        << runQuietlane("--status").err;

    EXPECT_EQ(runQuietlane("--toggle").out, "muted\n");
    EXPECT_TRUE(server->sourceMuted("mic"));
    EXPECT_EQ(runQuietlane("--unmute").out, "unmuted\n");
    EXPECT_FALSE(server->sourceMuted("mic"));
    EXPECT_EQ(runQuietlane("--mute").out, "muted\n");
    // Push-to-talk from muted; the second press while held changes nothing.
    EXPECT_EQ(runQuietlane("--push-to-talk-press").out, "unmuted\n");
    EXPECT_EQ(runQuietlane("--push-to-talk-press").out, "unmuted\n");
    EXPECT_EQ(runQuietlane("--push-to-talk-release").out, "muted\n");
    EXPECT_TRUE(server->sourceMuted("mic"));
    // Push to mute keeps a muted microphone muted, and from unmuted mutes while held.
    EXPECT_EQ(runQuietlane("--push-to-mute-press").out, "muted\n");
    EXPECT_EQ(runQuietlane("--push-to-mute-release").out, "muted\n");
    EXPECT_EQ(runQuietlane("--unmute").out, "unmuted\n");
    EXPECT_EQ(gdbus("--method com.quietlane.Quietlane.PushToMutePress"), "()\n");
    EXPECT_TRUE(waitUntil([&] { return server->sourceMuted("mic"); }));
    EXPECT_EQ(runQuietlane("--push-to-mute-release").out, "unmuted\n");
    EXPECT_EQ(runQuietlane("--mute").out, "muted\n");
    const auto json = nlohmann::json::parse(runQuietlane("--status --json").out);
    EXPECT_EQ(json,
              nlohmann::json({{"state", "muted"}, {"device", "Mic"}, {"volumeFallback", false}}));
    expectLostReport();

    // A watcher hears a change made by pactl and one made by the shortcut.
    ChildProcess watcher({QUIETLANE_BINARY, "--watch", "--format=waybar"}, true);
    EXPECT_EQ(nlohmann::json::parse(watcher.line())["class"], "muted");
    server->pactl("set-source-mute mic 0");
    EXPECT_EQ(nlohmann::json::parse(watcher.line())["class"], "unmuted");
    quietlane::testing::runOnDisplay(session.display(), "xdotool key ctrl+alt+super+m");
    EXPECT_EQ(nlohmann::json::parse(watcher.line())["class"], "muted");

    // D-Bus: the methods act and PropertiesChanged is sent.
    ChildProcess monitor({"gdbus", "monitor", "--session", "--dest", "com.quietlane.Quietlane"},
                         true);
    EXPECT_EQ(gdbus("--method com.quietlane.Quietlane.SetMuted false"), "()\n");
    EXPECT_TRUE(waitUntil([&] { return !server->sourceMuted("mic"); }));
    gdbus("--method com.quietlane.Quietlane.Toggle");
    EXPECT_TRUE(waitUntil([&] { return server->sourceMuted("mic"); }));
    std::string signalSeen;
    for (int i = 0; i < 20 && signalSeen.find("'Muted': <true>") == std::string::npos; ++i)
        signalSeen += monitor.line(1s);
    EXPECT_NE(signalSeen.find("PropertiesChanged"), std::string::npos) << signalSeen;

    // The instance ends: the watcher says the state is unknown rather than keep the last.
    EXPECT_EQ(app.stop(), 0);
    std::string last, line;
    while ((line = watcher.line(2s)).front() == '{')
        last = line;
    EXPECT_EQ(nlohmann::json::parse(last)["class"], "unavailable");

    // Without an instance the same switches act on the server directly.
    EXPECT_EQ(runQuietlane("--unmute").out, "unmuted\n");
    EXPECT_FALSE(server->sourceMuted("mic"));
    EXPECT_EQ(runQuietlane("--toggle").out, "muted\n");
    EXPECT_TRUE(server->sourceMuted("mic"));
    EXPECT_EQ(runQuietlane("--status").out, "muted\n");
    EXPECT_EQ(runQuietlane("--push-to-talk-press").status, 1);
    expectLostReport();
}
