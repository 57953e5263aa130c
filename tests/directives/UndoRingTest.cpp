#include "directives/UndoRing.h"
#include "landscape/Landscape.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

// Each pushed state is told apart by its water level.
static void pushMarked(UndoRing& ring, bool copy, float mark) {
    ring.pushState(copy)->waterLevel = mark;
}

TEST(UndoRing, LifetimeStartsInSlotZeroAndLeavesNoDanglingCurrentLandscape) {
    {
        UndoRing ring;
        ASSERT_NE(ring.slots[0], nullptr);
        for (int i = 1; i < UndoRing::slotCount; i++)
            EXPECT_EQ(ring.slots[i], nullptr);
        EXPECT_EQ(ring.newest, 0);
        ring.undo(); // nothing to go back to
        EXPECT_EQ(ring.current, 0);
        EXPECT_EQ(currentLandscape, ring.slots[0]);
        ring.pushState(true);
        ring.pushState(false);
    }
    EXPECT_EQ(currentLandscape, nullptr);
}

TEST(UndoRing, SixthPushReusesSlotOne) {
    UndoRing ring;
    ring.pushState(true);
    Landscape* slotOne = ring.slots[1];
    for (int k = 0; k < 4; k++)
        ring.pushState(true);
    EXPECT_EQ(ring.current, 0);
    ring.pushState(true);
    EXPECT_EQ(ring.current, 1);
    EXPECT_EQ(ring.newest, 1);
    EXPECT_EQ(ring.slots[1], slotOne); // the Landscape object itself is kept
    EXPECT_EQ(currentLandscape, slotOne);
}

TEST(UndoRing, UndoReachesBackFourStatesAndNoFurther) {
    UndoRing ring;
    for (int k = 1; k <= 6; k++)
        pushMarked(ring, true, float(k));
    EXPECT_EQ(currentLandscape->waterLevel, 6.0f);
    for (int back = 1; back <= 5; back++) {
        ring.undo();
        EXPECT_EQ(currentLandscape->waterLevel, float(6 - std::min(back, 4)));
    }
    EXPECT_EQ(currentLandscape, ring.slots[ring.current]);
}

TEST(UndoRing, UndoBeforeTheRingIsFullStopsAtTheFirstState) {
    UndoRing ring;
    ring.slots[0]->waterLevel = 0.0f;
    pushMarked(ring, true, 1.0f);
    pushMarked(ring, true, 2.0f);
    for (int k = 0; k < 3; k++)
        ring.undo(); // the third would reach the empty slot 4
    EXPECT_EQ(ring.current, 0);
    EXPECT_EQ(currentLandscape->waterLevel, 0.0f);
}

TEST(UndoRing, PushAfterUndoOverwritesTheUndoneState) {
    UndoRing ring;
    pushMarked(ring, true, 1.0f);
    pushMarked(ring, true, 2.0f);
    ring.undo();
    EXPECT_EQ(currentLandscape->waterLevel, 1.0f);
    pushMarked(ring, true, 3.0f);
    EXPECT_EQ(ring.current, 2);
    EXPECT_EQ(ring.newest, 2);
    ring.undo();
    EXPECT_EQ(currentLandscape->waterLevel, 1.0f);
}

TEST(UndoRing, FreshSlotKeepsTheViewAndNothingElseOfTheTerrain) {
    UndoRing ring;
    Vector3 eye(1, 2, 3), angles(4, 5, 6);
    Landscape* first = ring.slots[0];
    first->cameraPosition = &eye;
    first->cameraAngles = &angles;
    first->cullRadius = 77.0f;
    first->newMap(32, 32, 16, 1.0f, 1.0f);
    Landscape* fresh = ring.pushState(false);
    EXPECT_EQ(fresh->sectorCount, 0);
    EXPECT_TRUE(fresh->sectors.empty());
    EXPECT_EQ(fresh->cameraPosition, &eye);
    EXPECT_EQ(fresh->cameraAngles, &angles);
    EXPECT_EQ(fresh->cullRadius, 77.0f);
    EXPECT_EQ(first->sectorCount, 4); // the state left behind keeps its terrain
}

TEST(UndoRing, FreshPushIntoAUsedSlotReleasesItsOldTerrain) {
    UndoRing ring;
    ring.slots[0]->newMap(32, 32, 16, 1.0f, 1.0f);
    for (int k = 0; k < 4; k++)
        ring.pushState(true); // slots 1 to 4 hold copies of the terrain
    ASSERT_EQ(ring.slots[1]->sectorCount, 4);
    ring.pushState(true);                     // slot 0 again
    Landscape* fresh = ring.pushState(false); // slot 1, which held terrain
    EXPECT_EQ(fresh, ring.slots[1]);
    EXPECT_EQ(fresh->sectorCount, 0);
    EXPECT_EQ(ring.slots[0]->sectorCount, 4);
}
