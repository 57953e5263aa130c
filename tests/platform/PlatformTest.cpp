// The virtual clock and the scripted keys of an unattended run.
#include "tests/support/TestSupport.h"

#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/Presenter.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(VirtualClockDeathTest, StartsAtItsFirstValueAndMovesOnlyByTheStepAtEachFrame) {
    EXPECT_EXIT( // a fresh process, so that no earlier test has moved the clock on
        {
            bool right = getTickCount() < 600000u; // the real clock counts from the start
            platformConfig().clockStep = 17;
            right = right && getTickCount() == 1000u && getTickCount() == 1000u;
            presentFrame(); // no window: nothing is swapped, the clock still moves
            advanceVirtualClock();
            right = right && getTickCount() == 1034u;
            platformConfig().clockStart = 0xFFFFFFF0u; // across the wrap
            right = right && getTickCount() == 0x12u && ticksAfter(0x12u, 0xFFFFFFF0u) == 34;
            std::exit(right ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(ScriptedInput, KeyEventsApplyAtTheEndOfTheirFrameAndTheLimitQuitsAfterItsFrame) {
    clearKeys();
    platformConfig().keys = {{1, true, 'g'}, {1, false, 'g'}, {2, true, 'e'},
                             {3, true, 32},  {3, false, 'e'}, {5, false, 32}};
    platformConfig().frames = 5;
    const int expected[][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {0, 0}}; // 'e', space
    for (int frame = 1; frame <= 5; ++frame) {
        applyScriptedInput(uint32_t(frame));
        EXPECT_EQ(KeyState[int('e')], expected[frame - 1][0]) << frame;
        EXPECT_EQ(KeyState[32], expected[frame - 1][1]) << frame;
        EXPECT_EQ(KeyState[int('g')], 0) << "pressed and released in one frame, like typing";
        EXPECT_EQ(quitRequested(), frame == 5) << frame;
    }
    platformConfig().keys.clear();
    platformConfig().frames = 0;
    clearKeys();
}
