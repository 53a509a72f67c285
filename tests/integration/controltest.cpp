// SPDX-License-Identifier: GPL-3.0-or-later
// The command line and D-Bus against the real program on a private X server, PulseAudio
// and session bus: every switch, a watcher that sees the shortcut and pactl, the path
// without an instance, and a channel directory planted by someone else.
#include "soundserver.h"
#include "xsession.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
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
        setenv("LANG", "C.UTF-8", 1);
        unsetenv("QT_QPA_PLATFORM");
    }
    bool sourceMuted() const {
        return server->pactl("get-source-mute mic").find("yes") != std::string::npos;
    }

    std::unique_ptr<quietlane::testing::SoundServer> server;
    quietlane::testing::XSession session;
};

TEST_F(ControlTest, SwitchesWatchAndDBusDriveTheRunningInstance) {
    ChildProcess app({QUIETLANE_BINARY});
    ASSERT_TRUE(waitUntil([] { return runQuietlane("--status").out == "unmuted\n"; }, 10s))
        << runQuietlane("--status").err;

    EXPECT_EQ(runQuietlane("--toggle").out, "muted\n");
    EXPECT_TRUE(sourceMuted());
    EXPECT_EQ(runQuietlane("--unmute").out, "unmuted\n");
    EXPECT_FALSE(sourceMuted());
    EXPECT_EQ(runQuietlane("--mute").out, "muted\n");
    // Push-to-talk from muted; the second press while held changes nothing.
    EXPECT_EQ(runQuietlane("--push-to-talk-press").out, "unmuted\n");
    EXPECT_EQ(runQuietlane("--push-to-talk-press").out, "unmuted\n");
    EXPECT_EQ(runQuietlane("--push-to-talk-release").out, "muted\n");
    EXPECT_TRUE(sourceMuted());
    // Push to mute keeps a muted microphone muted, and from unmuted mutes while held.
    EXPECT_EQ(runQuietlane("--push-to-mute-press").out, "muted\n");
    EXPECT_EQ(runQuietlane("--push-to-mute-release").out, "muted\n");
    EXPECT_EQ(runQuietlane("--unmute").out, "unmuted\n");
    EXPECT_EQ(gdbus("--method com.quietlane.Quietlane.PushToMutePress"), "()\n");
    EXPECT_TRUE(waitUntil([&] { return sourceMuted(); }));
    EXPECT_EQ(runQuietlane("--push-to-mute-release").out, "unmuted\n");
    EXPECT_EQ(runQuietlane("--mute").out, "muted\n");
    const auto json = nlohmann::json::parse(runQuietlane("--status --json").out);
    EXPECT_EQ(json,
              nlohmann::json({{"state", "muted"}, {"device", "Mic"}, {"volumeFallback", false}}));
    const Result unknown = runQuietlane("--toggel");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("Usage:"), std::string::npos);

    // A watcher hears a change made by pactl and one made by the shortcut.
    ChildProcess watcher({QUIETLANE_BINARY, "--watch", "--format=waybar"}, true);
    EXPECT_EQ(nlohmann::json::parse(watcher.line())["class"], "muted");
    server->pactl("set-source-mute mic 0");
    EXPECT_EQ(nlohmann::json::parse(watcher.line())["class"], "unmuted");
    quietlane::testing::runOnDisplay(session.display(), "xdotool key ctrl+alt+super+m");
    EXPECT_EQ(nlohmann::json::parse(watcher.line())["class"], "muted");

    // D-Bus: the methods act, the properties follow, PropertiesChanged is sent.
    ChildProcess monitor({"gdbus", "monitor", "--session", "--dest", "com.quietlane.Quietlane"},
                         true);
    EXPECT_EQ(gdbus("--method com.quietlane.Quietlane.SetMuted false"), "()\n");
    EXPECT_TRUE(waitUntil([&] { return !sourceMuted(); }));
    EXPECT_EQ(gdbus("--method org.freedesktop.DBus.Properties.Get com.quietlane.Quietlane Muted"),
              "(<false>,)\n");
    gdbus("--method com.quietlane.Quietlane.Toggle");
    EXPECT_TRUE(waitUntil([&] { return sourceMuted(); }));
    std::string signalSeen;
    for (int i = 0; i < 20 && signalSeen.find("'Muted': <true>") == std::string::npos; ++i)
        signalSeen += monitor.line(1s);
    EXPECT_NE(signalSeen.find("PropertiesChanged"), std::string::npos) << signalSeen;
    // The installed interface file names what the object really offers.
    std::ifstream xml(QUIETLANE_DBUS_XML);
    const std::string described((std::istreambuf_iterator<char>(xml)), {});
    const std::string introspected =
        runCommand("gdbus introspect --session --dest com.quietlane.Quietlane --object-path "
                   "/com/quietlane/Quietlane");
    const std::regex member("<(method|property) name=\"(\\w+)\"");
    int members = 0;
    for (std::sregex_iterator it(described.begin(), described.end(), member), end; it != end;
         ++it, ++members)
        EXPECT_NE(introspected.find(" " + (*it)[2].str()), std::string::npos) << (*it)[2];
    EXPECT_EQ(members, 10);

    // The instance ends: the watcher says the state is unknown rather than keep the last.
    EXPECT_EQ(app.stop(), 0);
    std::string last, line;
    while ((line = watcher.line(2s)).front() == '{')
        last = line;
    EXPECT_EQ(nlohmann::json::parse(last)["class"], "unavailable");

    // Without an instance the same switches act on the server directly.
    EXPECT_EQ(runQuietlane("--unmute").out, "unmuted\n");
    EXPECT_FALSE(sourceMuted());
    EXPECT_EQ(runQuietlane("--toggle").out, "muted\n");
    EXPECT_TRUE(sourceMuted());
    EXPECT_EQ(runQuietlane("--status").out, "muted\n");
    EXPECT_EQ(runQuietlane("--push-to-talk-press").status, 1);
}

TEST_F(ControlTest, AChannelDirectoryPlantedByAnotherUserIsRefused) {
    const fs::path temp = fs::path(server->directory()) / "tmp";
    fs::create_directory(temp);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", temp.c_str(), 1);
    const fs::path planted = temp / ("quietlane-" + std::to_string(getuid()));
    fs::create_directory(planted);
    chmod(planted.c_str(), 0777);
    if (getuid() == 0) {
        ASSERT_EQ(chown(planted.c_str(), 12345, 12345), 0);
    }

    for (const char* arguments : {"--toggle", ""}) {
        const Result result = runQuietlane(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_NE(result.err.find(planted.string()), std::string::npos) << result.err;
    }
    EXPECT_FALSE(sourceMuted());
}
