// The frame rate shown in the corner, on the virtual clock.

#include "app/FrameCounter.h"
#include "platform/Clock.h"
#include "platform/PlatformConfig.h"

#include <gtest/gtest.h>

// At a steady 100 frames a second each whole second shows 99: the frame that
// closes a window is counted in neither.
TEST(FrameCounter, ShowsTheLastWholeSecondWithoutTheFrameThatClosedIt) {
    platformConfig().clockStep = 10;
    FrameCounter counter;
    counter.start();
    for (int frame = 0; frame < 250; ++frame) {
        advanceVirtualClock();
        counter.update();
    }
    EXPECT_EQ(counter.shown, 99);
    platformConfig().clockStep = 0;
}
