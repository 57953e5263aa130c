// The scripted keys of a batch run.
#include "tests/support/TestSupport.h"

#include "platform/Input.h"

#include <gtest/gtest.h>

TEST(ScriptedInput, KeyEventsApplyAtTheEndOfTheirFrameAndTheLimitQuitsAfterItsFrame) {
    clearKeys();
    platformConfig().keys = {{1, true, 'g'}, {1, false, 'g'}, {2, true, 'e'},
                             {3, true, 32},  {3, false, 'e'}, {5, false, 32}};
    platformConfig().frames = 5;
    const int expected[][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {0, 0}}; // 'e', space
    for (int frame = 1; frame <= 5; ++frame) {
        applyScriptedInput(uint32_t(frame));
        EXPECT_EQ(KeyState['e'], expected[frame - 1][0]) << frame;
        EXPECT_EQ(KeyState[32], expected[frame - 1][1]) << frame;
        EXPECT_EQ(KeyState['g'], 0) << "pressed and released in one frame, like typing";
        EXPECT_EQ(quitRequested(), frame == 5) << frame;
    }
    platformConfig().keys.clear();
    platformConfig().frames = 0;
    clearKeys();
}
