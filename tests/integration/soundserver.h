// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>
#include <string>
#include <sys/types.h>

namespace quietlane::testing {

enum class SoundServerKind { pulseAudio, pipeWire };

/// A private sound server on a socket in a temporary directory. The process environment
/// (PULSE_SERVER, PULSE_RUNTIME_PATH, HOME, XDG_RUNTIME_DIR) points at it, so both the
/// code under test and `pactl` talk to it and nothing touches the user's own session.
class SoundServer {
public:
    /// The server named by QUIETLANE_TEST_SOUND_SERVER ("pulseaudio", the default, or
    /// "pipewire").
    static SoundServerKind kindFromEnvironment();
    static const char* kindName(SoundServerKind kind);

    explicit SoundServer(SoundServerKind kind);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    /// Starts the server (the constructor already does) and waits until it answers; throws,
    /// with nothing left running, when it does not. A running server is left as it is.
    void start();
    /// Ends every process of the server; SIGKILL stands for a crash.
    void stop(int signal = SIGTERM);
    /// Freezes every process of the server (SIGSTOP), as a wedged server is; resume()
    /// lets it go on where it stopped.
    void pause() const;
    void resume() const;

    SoundServerKind kind() const { return m_kind; }
    const std::string& directory() const { return m_directory; }

    /// Runs `pactl` with the arguments (shell syntax); its standard output, or throws
    /// with its output when it fails.
    std::string pactl(const std::string& arguments) const;
    bool sourceMuted(const std::string& name) const {
        return pactl("get-source-mute " + name).find("yes") != std::string::npos;
    }
    void addSource(const std::string& name, const std::string& description,
                   unsigned channels = 2) const;
    /// An output sink, whose monitor source is not an input device.
    void addSink(const std::string& name) const;

private:
    SoundServerKind m_kind;
    std::string m_directory;
    pid_t m_group = 0;
};

/// Polls `condition` every few milliseconds until it holds or `timeoutMs` passed.
template <typename Condition> bool eventually(Condition condition, int timeoutMs = 5000);

} // namespace quietlane::testing

#include <chrono>
#include <thread>

template <typename Condition>
bool quietlane::testing::eventually(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
