// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audiodeviceservice.h"
#include "audio/micstate.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace quietlane {

class AudioServer;
class Preferences;

/// The microphone without a running instance: the command line acts on the sound server
/// through the same service, stored device selection and saved volumes as the program,
/// so a key binding behaves the same before the program starts. The calling thread plays
/// the main thread; every call waits until the service has settled.
class DirectControl {
public:
    DirectControl(AudioServer& soundServer, Preferences& preferences);
    ~DirectControl();
    DirectControl(const DirectControl&) = delete;
    DirectControl& operator=(const DirectControl&) = delete;

    /// The state read from the devices; nothing when the service did not settle in time.
    std::optional<MicState> state();
    /// Asks for `muted`, then the state the devices report.
    std::optional<MicState> setMuted(bool muted);
    /// Asks for the opposite of what the service last read, then the state the devices
    /// report.
    std::optional<MicState> toggle();

private:
    std::optional<MicState> settle();
    void post(std::function<void()> task);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    std::optional<MicState> m_state;
    // Last: its worker posts into the members above until it is destroyed.
    AudioDeviceService m_service;
};

} // namespace quietlane
