// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quietlane {

/// One worker thread that runs submitted work items one at a time, in order.
/// Destruction drops queued items, waits for the item in progress and joins the thread;
/// it must not happen on the queue's own thread.
class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> work);
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }
    const std::string& label() const { return m_label; }

private:
    void run();

    std::string m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_items;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace quietlane
