// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/serialqueue.h"

#include <pthread.h>

namespace quietlane {

SerialQueue::SerialQueue(std::string label) : m_label(std::move(label)) {
    m_thread = std::thread([this] { run(); });
    // Linux keeps at most 15 characters of a thread name; a shortened label still
    // identifies the queue in a debugger or `top -H`.
    pthread_setname_np(m_thread.native_handle(), m_label.substr(0, 15).c_str());
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_items.clear();
    }
    m_wake.notify_one();
    m_thread.join();
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_items.push_back(std::move(work));
    }
    m_wake.notify_one();
}

void SerialQueue::run() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_items.empty(); });
            if (m_stopping)
                return;
            work = std::move(m_items.front());
            m_items.pop_front();
        }
        work();
    }
}

} // namespace quietlane
