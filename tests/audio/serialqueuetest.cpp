// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/serialqueue.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

using namespace quietlane;

// A press sent from the caller's thread must never overtake work already queued (a new
// selection, a server report) nor run beside it.
TEST(SerialQueue, RunsOnTheCallerOnlyWhenIdleAndKeepsTheOrderOtherwise) {
    SerialQueue queue("test");
    std::thread::id ranOn;
    queue.runOrQueue([&ranOn] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    std::promise<void> release;
    std::promise<void> finished;
    std::vector<int> order; // written by the queue's items only, read once they are done
    queue.async([&order, blocker = release.get_future().share()] {
        blocker.wait();
        order.push_back(1);
    });
    bool ranAtOnce = false;
    queue.runOrQueue([&order, &ranAtOnce] {
        ranAtOnce = true;
        order.push_back(2);
    });
    queue.async([&order, &finished] {
        order.push_back(3);
        finished.set_value();
    });
    EXPECT_FALSE(ranAtOnce);
    release.set_value();
    finished.get_future().wait();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}
