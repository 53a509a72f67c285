// SPDX-License-Identifier: GPL-3.0-or-later
// The command line and D-Bus against the real program on a private X server, sound server
// (PulseAudio unless the environment names PipeWire) and session bus: every switch, toggles
// alternating with another program's, a watcher that sees the shortcut and pactl, the path
// without an instance.
#include "soundserver.h"
#include "xsession.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
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

// The pid of the D-Bus name's owner, 0 while nobody owns it.
pid_t nameOwnerPid() {
    const std::string reply =
        runCommand("gdbus call --session --dest org.freedesktop.DBus --object-path / --method "
                   "org.freedesktop.DBus.GetConnectionUnixProcessID com.quietlane.Quietlane "
                   "2>/dev/null");
    std::smatch pid;
    return std::regex_search(reply, pid, std::regex("uint32 (\\d+)")) ? std::stoi(pid[1]) : 0;
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
            quietlane::testing::SoundServer::kindFromEnvironment());
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

    EXPECT_EQ(runQuietlane("--mute").out, "muted\n");
    EXPECT_TRUE(server->sourceMuted("mic"));
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

// Our toggles and another program's alternate with nothing in between: each of ours
// flips what the server has when it is taken and reports that, and each of theirs stands
// until our next toggle (no write of ours comes back over it).
TEST_F(ControlTest, TogglesAlternatingWithPactlFlipEveryTimeAndTheirsStand) {
    ChildProcess app({QUIETLANE_BINARY});
    // Until it owns its name the command line acts on the server itself.
    ASSERT_TRUE(waitUntil([&] { return nameOwnerPid() == app.pid(); }, 10s));
    ASSERT_TRUE(waitUntil([] { return runQuietlane("--status").out == "unmuted\n"; }));
    const int rounds = 10;
    int flipped = 0, stood = 0;
    bool theirs = false;
    for (int round = 0; round < rounds; ++round) {
        const bool before = server->sourceMuted("mic");
        stood += before == theirs;
        const Result toggled = runQuietlane("--toggle");
        const bool after = server->sourceMuted("mic");
        flipped += after != before && toggled.out == (after ? "muted\n" : "unmuted\n");
        server->pactl("set-source-mute mic toggle");
        theirs = !after;
    }
    // Their last change too: once the instance has heard it, it is still there.
    EXPECT_TRUE(waitUntil(
        [&] { return runQuietlane("--status").out == (theirs ? "muted\n" : "unmuted\n"); }));
    stood += server->sourceMuted("mic") == theirs;
    std::printf("%d of %d toggles flipped, %d of %d changes of theirs stood\n", flipped, rounds,
                stood - 1, rounds);
    EXPECT_EQ(flipped, rounds);
    // The first round's check is of the starting state, not of a change of theirs.
    EXPECT_EQ(stood, rounds + 1);
}

namespace {

// Whether every thread of `pid` sleeps in a wait: one that spins on a socket it cannot
// serve stays runnable, as it never blocks.
bool asleep(pid_t pid) {
    for (int sample = 0; sample < 3; ++sample) {
        for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
            std::ifstream stat(task.path() / "stat");
            const std::string text((std::istreambuf_iterator<char>(stat)), {});
            const auto name = text.rfind(')');
            if (name == std::string::npos || text.size() < name + 3 || text[name + 2] != 'S')
                return false;
        }
    }
    return true;
}

} // namespace

// A launch while the instance hangs (here: stopped) takes the channel after a second; the
// frozen one still holds the shortcut and the D-Bus name. Once it runs again it lets go,
// asked to quit or not, and the new instance has all three, alone.
TEST_F(ControlTest, ATakeoverFromAFrozenInstanceEndsWithOneInstanceHoldingEverything) {
    struct Freeze {
        std::chrono::milliseconds length;
        bool terminated;
    };
    for (const Freeze freeze : {Freeze{2500ms, true}, Freeze{4000ms, false}}) {
        SCOPED_TRACE(freeze.length.count());
        ChildProcess old({QUIETLANE_BINARY});
        ASSERT_TRUE(waitUntil([&] { return nameOwnerPid() == old.pid(); }, 10s));
        ASSERT_EQ(runQuietlane("--status").status, 0);

        kill(old.pid(), SIGSTOP);
        const auto frozen = std::chrono::steady_clock::now();
        if (freeze.terminated)
            kill(old.pid(), SIGTERM);
        ChildProcess successor({QUIETLANE_BINARY}, true);
        // The successor says so on standard output when the grab is refused: it is up and
        // the old instance still holds the key.
        EXPECT_EQ(successor.line(10s).rfind("Error registering hotkey", 0), 0u);
        // The freeze is the condition under test; nothing to wait for but its end.
        std::this_thread::sleep_until(frozen + freeze.length);
        kill(old.pid(), SIGCONT);
        EXPECT_EQ(old.wait(), 0);
        const auto gone = std::chrono::steady_clock::now();

        EXPECT_TRUE(waitUntil([&] { return nameOwnerPid() == successor.pid(); }, 10s));
        const bool wasMuted = server->sourceMuted("mic");
        EXPECT_TRUE(waitUntil(
            [&] {
                quietlane::testing::runOnDisplay(session.display(), "xdotool key ctrl+alt+super+m");
                return waitUntil([&] { return server->sourceMuted("mic") != wasMuted; }, 150ms);
            },
            10s))
            << "the shortcut does not reach the new instance";
        // How long the takeover took is a figure to read, not a pass mark: load stretches it.
        std::printf("takeover complete %lld ms after the old instance let go\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - gone)
                                               .count()));
        // Only an instance answers the push-to-talk pair.
        EXPECT_EQ(runQuietlane("--push-to-talk-press").status, 0);
        EXPECT_EQ(runQuietlane("--push-to-talk-release").status, 0);
        EXPECT_EQ(successor.stop(), 0);
    }
}

// A flood of idle clients neither takes every descriptor the instance has nor keeps it
// awake, and when descriptors run out for another reason it waits idle too; either way
// the clients it has are served, and new ones are taken once there is room again.
TEST_F(ControlTest, ManyIdleClientsAndTheDescriptorLimitLeaveTheInstanceIdleAndServing) {
    ChildProcess app({QUIETLANE_BINARY});
    ASSERT_TRUE(waitUntil([&] { return nameOwnerPid() == app.pid(); }, 10s));

    const std::string socketPath = fs::path(std::getenv("XDG_RUNTIME_DIR")) / "quietlane/instance";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    const auto openDescriptors = [&] {
        const auto entries = fs::directory_iterator("/proc/" + std::to_string(app.pid()) + "/fd");
        return int(std::distance(fs::begin(entries), fs::end(entries)));
    };
    // Connects until the listen queue refuses (at once, the socket does not block), lets
    // the instance take what it can, and again, until a round adds no descriptor; then
    // asks on the first client.
    const auto flood = [&](const char* phase) {
        std::vector<int> clients;
        int before = -1;
        int open = openDescriptors();
        while (open != before) {
            for (int i = 0; i < 200; ++i) {
                const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
                if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                    close(fd);
                    break;
                }
                clients.push_back(fd);
            }
            if (!waitUntil([&] { return asleep(app.pid()); })) {
                ADD_FAILURE() << phase << ": the instance keeps running";
                break;
            }
            before = std::exchange(open, openDescriptors());
        }
        std::cout << phase << ": " << clients.size() << " clients, " << open
                  << " descriptors open\n";

        const std::string request = "status\n";
        EXPECT_EQ(send(clients.front(), request.data(), request.size(), MSG_NOSIGNAL),
                  ssize_t(request.size()));
        pollfd ready{clients.front(), POLLIN, 0};
        EXPECT_EQ(poll(&ready, 1, 5000), 1) << phase;
        char reply[256] = {};
        EXPECT_GT(recv(clients.front(), reply, sizeof reply - 1, 0), 0) << phase;
        EXPECT_EQ(std::string(reply).substr(0, 3), "ok ") << phase;
        for (const int fd : clients)
            close(fd);
        EXPECT_EQ(runQuietlane("--status").out, "unmuted\n") << phase;
        return open;
    };

    const int idle = openDescriptors();
    EXPECT_LT(flood("idle clients") - idle, 80);

    const int limit = openDescriptors() + 16;
    const rlimit lowered{rlim_t(limit), rlim_t(limit)};
    ASSERT_EQ(prlimit(app.pid(), RLIMIT_NOFILE, &lowered, nullptr), 0);
    // Every descriptor number below the limit taken (one above it may be older): accept()
    // fails with EMFILE.
    EXPECT_GE(flood("at the descriptor limit"), limit);
    EXPECT_EQ(app.stop(), 0);
}
