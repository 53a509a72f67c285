// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/dragtracker.h"

#include <gtest/gtest.h>

using namespace quietlane;

// A click toggles the microphone, so a drag read as a click, or the reverse, is the fault.
TEST(DragTracker, OnlyAMovePastTheThresholdIsADragAndItMovesTheWholeDistance) {
    DragTracker tracker;
    tracker.press({20, 30}, {500, 400});
    // About 3.16 points: a drag, and the grabbed point stays under the pointer.
    EXPECT_EQ(tracker.move({503, 401}), (Point{483, 371}));
    EXPECT_EQ(tracker.move({500, 400}), (Point{480, 370})); // back at the start: still a drag
    EXPECT_TRUE(tracker.release());
    // Moves after the release (a stray motion event) never move the window.
    EXPECT_FALSE(tracker.move({300, 300}));

    // The next press starts fresh; exactly the threshold is not enough.
    tracker.press({20, 30}, {500, 400});
    EXPECT_FALSE(tracker.move({503, 400}));
    EXPECT_FALSE(tracker.release());
    tracker.press({1, 1}, {0, 0}); // a press that never saw a move
    EXPECT_FALSE(tracker.release());
}
