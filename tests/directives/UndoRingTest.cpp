#include "directives/UndoRing.h"
#include "landscape/Landscape.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

// Each pushed state is told apart by its water level.
static void pushMarked(UndoRing& ring, float mark) {
    ring.pushState(true)->waterLevel = mark;
}

TEST(UndoRing, UndoReachesBackFourStatesNeverIntoEmptySlotsAndPushOverwritesWhatWasUndone) {
    {
        UndoRing ring;
        ring.slots[0]->waterLevel = 0.0f;
        pushMarked(ring, 1.0f);
        pushMarked(ring, 2.0f);
        for (int k = 0; k < 3; k++)
            ring.undo(); // the third would reach the empty slot 4
        EXPECT_EQ(ring.current, 0);
        EXPECT_EQ(currentLandscape->waterLevel, 0.0f);
        pushMarked(ring, 3.0f); // overwrites the undone state 1
        EXPECT_EQ(ring.newest, 1);
        for (int k = 4; k <= 9; k++)
            pushMarked(ring, float(k));
        EXPECT_EQ(ring.current, 2); // round the ring of five
        Landscape* slotTwo = ring.slots[2];
        for (int back = 1; back <= 5; back++) {
            ring.undo();
            EXPECT_EQ(currentLandscape->waterLevel, float(9 - std::min(back, 4)));
        }
        EXPECT_EQ(currentLandscape, ring.slots[ring.current]);
        EXPECT_EQ(ring.slots[2], slotTwo) << "the Landscape objects themselves are kept";
    }
    EXPECT_EQ(currentLandscape, nullptr) << "no dangling current Landscape";
}
