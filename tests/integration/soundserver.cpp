// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundserver.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quietlane::testing {

namespace {

// The server's helpers outlive their parent when the group is killed; adopting them
// lets stop() reap every one instead of leaving zombies behind.
void reapChildren() {
    int status = 0;
    while (waitpid(-1, &status, WNOHANG) > 0) {
    }
}

} // namespace

SoundServerKind SoundServer::kindFromEnvironment() {
    const char* name = std::getenv("QUIETLANE_TEST_SOUND_SERVER");
    return name && std::string(name) == "pipewire" ? SoundServerKind::pipeWire
                                                   : SoundServerKind::pulseAudio;
}

const char* SoundServer::kindName(SoundServerKind kind) {
    return kind == SoundServerKind::pipeWire ? "PipeWire" : "PulseAudio";
}

SoundServer::SoundServer(SoundServerKind kind) : m_kind(kind) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quietlane-sound-XXXXXX");
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    m_directory = pattern;
    chmod(m_directory.c_str(), 0700);
    std::filesystem::create_directory(m_directory + "/pulse");
    chmod((m_directory + "/pulse").c_str(), 0700);
    setenv("HOME", m_directory.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", m_directory.c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (m_directory + "/pulse").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + m_directory + "/pulse/native").c_str(), 1);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("XDG_CONFIG_HOME");
    // PulseAudio's default of 256 descriptors runs out near 60 sources.
    std::filesystem::create_directories(m_directory + "/.config/pulse");
    std::ofstream(m_directory + "/.config/pulse/daemon.conf") << "rlimit-nofile = 4096\n";
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    try {
        start();
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
        throw;
    }
}

SoundServer::~SoundServer() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

void SoundServer::start() {
    if (m_group > 0)
        return;
    const std::string socket = m_directory + "/pulse/native";
    const std::string log = m_directory + "/server.log";
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("cannot fork the sound server");
    if (child == 0) {
        setsid();
        const int output = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(output, STDOUT_FILENO);
        dup2(output, STDERR_FILENO);
        if (m_kind == SoundServerKind::pulseAudio) {
            const std::string protocol =
                "module-native-protocol-unix socket=" + socket + " auth-anonymous=1";
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                   "--use-pid-file=no", "--disallow-exit", "-L", protocol.c_str(), nullptr);
        } else {
            execlp("dbus-run-session", "dbus-run-session", "--", "sh", "-c",
                   "rm -f \"$XDG_RUNTIME_DIR/pipewire-0\"; pipewire & "
                   "until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.02; done; "
                   "wireplumber & pipewire-pulse & wait",
                   nullptr);
        }
        _exit(127);
    }
    m_group = child;
    bool exited = false;
    const bool answered = eventually(
        [&] {
            int status = 0;
            exited = waitpid(child, &status, WNOHANG) == child;
            return exited || (access(socket.c_str(), F_OK) == 0 &&
                              std::system("pactl info >/dev/null 2>&1") == 0);
        },
        10000);
    if (answered && !exited)
        return;
    // A server that never answered may still have helpers running (a PipeWire stack
    // starts three), and a throwing constructor runs no destructor.
    stop(SIGKILL);
    throw std::runtime_error(std::string(kindName(m_kind)) +
                             (exited ? " exited at start; see " : " did not answer; see ") + log);
}

void SoundServer::stop(int signal) {
    if (m_group <= 0)
        return;
    // A frozen server would never act on the signal.
    kill(-m_group, SIGCONT);
    kill(-m_group, signal);
    const bool gone = eventually(
        [&] {
            reapChildren();
            return kill(-m_group, 0) != 0 && errno == ESRCH;
        },
        3000);
    if (!gone) {
        kill(-m_group, SIGKILL);
        eventually([&] {
            reapChildren();
            return kill(-m_group, 0) != 0;
        });
    }
    m_group = 0;
}

void SoundServer::pause() const {
    if (m_group > 0)
        kill(-m_group, SIGSTOP);
}

void SoundServer::resume() const {
    if (m_group > 0)
        kill(-m_group, SIGCONT);
}

std::string SoundServer::pactl(const std::string& arguments) const {
    const std::string command = "pactl " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::size_t read = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), read);
    const int status = pclose(pipe);
    if (status != 0)
        throw std::runtime_error(command + " failed: " + output);
    return output;
}

void SoundServer::addSource(const std::string& name, const std::string& description,
                            unsigned channels) const {
    const std::string shape = " channels=" + std::to_string(channels);
    // PipeWire's pulse server has no null source; a null sink of the source class is one.
    // It answers before the node exists, and until then the source cannot be named default.
    if (m_kind == SoundServerKind::pipeWire) {
        pactl("load-module module-null-sink media.class=Audio/Source/Virtual sink_name=" + name +
              shape + " sink_properties=device.description=" + description);
        if (!eventually(
                [&] { return pactl("list short sources").find(name) != std::string::npos; }))
            throw std::runtime_error("source " + name + " did not appear");
    } else
        pactl("load-module module-null-source source_name=" + name + shape +
              " description=" + description);
}

void SoundServer::addSink(const std::string& name) const {
    pactl("load-module module-null-sink sink_name=" + name);
}

} // namespace quietlane::testing
