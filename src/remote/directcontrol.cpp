// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/directcontrol.h"

#include "audio/deviceselection.h"
#include "base/preferences.h"

namespace quietlane {

namespace {
// Past this the server is treated as gone: a key binding must not hang.
constexpr auto kSettleTimeout = std::chrono::seconds(10);
} // namespace

DirectControl::DirectControl(AudioServer& soundServer, Preferences& preferences)
    : m_service(soundServer, preferences,
                [this](std::function<void()> task) { post(std::move(task)); }) {
    m_service.setOnState([this](const MicState& state) { m_state = state; });
    m_service.start(DeviceSelection::restore(preferences.data(DeviceSelection::kPreferencesKey)));
}

DirectControl::~DirectControl() = default;

void DirectControl::post(std::function<void()> task) {
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

std::optional<MicState> DirectControl::settle() {
    bool settled = false;
    m_service.afterPendingWork([&settled] { settled = true; });
    const auto deadline = std::chrono::steady_clock::now() + kSettleTimeout;
    while (!settled) {
        std::unique_lock lock(m_mutex);
        if (!m_wake.wait_until(lock, deadline, [this] { return !m_tasks.empty(); }))
            return std::nullopt;
        auto task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
    }
    return m_state;
}

std::optional<MicState> DirectControl::state() {
    return settle();
}

std::optional<MicState> DirectControl::setMuted(bool muted) {
    // The start queued by the constructor resolves the targets before this runs.
    m_service.setMuted(muted);
    return settle();
}

std::optional<MicState> DirectControl::toggle() {
    // The service decides what a toggle asks for, as it does for the running program.
    m_service.toggle();
    return settle();
}

} // namespace quietlane
