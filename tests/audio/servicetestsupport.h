// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audiodeviceservice.h"
#include "audio/simulatedserver.h"
#include "base/log.h"
#include "base/preferences.h"

#include "../tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace quietlane::testing {

/// Stands in for the Qt event loop: the test thread plays the main thread.
class MainThread {
public:
    AudioDeviceService::MainThreadPoster poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            m_wake.notify_all();
        };
    }

    /// Runs posted tasks until `done` holds; false after the timeout.
    template <typename Done>
    bool runUntil(Done done, std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait_until(lock, deadline, [this] { return !m_tasks.empty(); }))
                return false;
            auto task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
};

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        preferences = std::make_unique<Preferences>(m_dir.path / "preferences.json");
        Log::setSink([this](Log::Level, Log::Category, const std::string& message) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(message);
        });
    }
    void TearDown() override {
        service.reset();
        preferences.reset(); // writes what is pending, before its directory goes
        Log::setSink({});
    }

    void start(DeviceSelection selection) {
        service = std::make_unique<AudioDeviceService>(server, *preferences, main.poster());
        service->setOnState([this](const MicState& state) { states.push_back(state); });
        service->start(std::move(selection));
        settle();
    }

    /// Waits until the requests made so far are answered and their states published.
    void settle() {
        bool done = false;
        service->afterPendingWork([&done] { done = true; });
        ASSERT_TRUE(main.runUntil([&done] { return done; }));
    }

    const MicState& last() const { return states.back(); }
    bool serverMuted(const std::string& uid) const { return server.device(uid)->muted; }

    std::vector<std::string> logged() {
        std::lock_guard lock(m_logMutex);
        return m_log;
    }

    /// What the snapshot store holds on disk right now, read as a restarted process would.
    MutePersistence::Stored snapshotsOnDisk() const {
        Preferences fresh(m_dir.path / "preferences.json");
        return MutePersistence(fresh).all();
    }

    test::TempDir m_dir;
    SimulatedServer server;
    MainThread main;
    std::unique_ptr<Preferences> preferences;
    std::unique_ptr<AudioDeviceService> service;
    std::vector<MicState> states;

private:
    std::mutex m_logMutex;
    std::vector<std::string> m_log;
};

} // namespace quietlane::testing
