// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/dragtracker.h"

#include <gtest/gtest.h>

using namespace quietlane;

TEST(DragTracker, SmallMovementsStayAClick) {
    DragTracker tracker;
    tracker.press({20, 30}, {500, 400});
    EXPECT_FALSE(tracker.move({502, 400}));
    EXPECT_FALSE(tracker.move({503, 400})); // exactly the threshold is not enough
    EXPECT_FALSE(tracker.release());

    // A press that never saw a move is a click too.
    tracker.press({1, 1}, {0, 0});
    EXPECT_FALSE(tracker.release());
}

TEST(DragTracker, CrossingTheThresholdMovesTheWholeDistance) {
    DragTracker tracker;
    tracker.press({20, 30}, {500, 400});
    // About 3.16 points: a drag, and the grabbed point stays under the pointer.
    EXPECT_EQ(tracker.move({503, 401}), (Point{483, 371}));
    EXPECT_EQ(tracker.move({600, 450}), (Point{580, 420}));
    EXPECT_TRUE(tracker.release());
}

TEST(DragTracker, ComingBackToTheStartIsStillADragAndTheNextPressStartsFresh) {
    DragTracker tracker;
    tracker.press({5, 5}, {100, 100});
    EXPECT_TRUE(tracker.move({110, 100}));
    EXPECT_EQ(tracker.move({100, 100}), (Point{95, 95}));
    EXPECT_TRUE(tracker.release());

    tracker.press({5, 5}, {100, 100});
    EXPECT_FALSE(tracker.move({101, 101}));
    EXPECT_FALSE(tracker.release());
    // Moves after the release (a stray motion event) never move the window.
    EXPECT_FALSE(tracker.move({300, 300}));
}
