// The walking eye and the frame counter: one frame of the loop at a time,
// under the virtual clock.
#include "tests/support/TestSupport.h"

#include "app/FrameCounter.h"
#include "app/Walker.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Walker, FallsToRestOneAboveTheGroundAndStepsAlongItsYaw) {
    uint8_t keys[512] = {};
    Walker walker;
    walker.position.y = 50.0f;
    for (int i = 0; i < 100000 && walker.position.y > 11.0f; ++i) {
        walker.applyKeys(keys);
        walker.applyGravity(10.0f);
    }
    EXPECT_EQ(walker.position.y, 11.0f);
    EXPECT_EQ(walker.verticalSpeed, 0.0f);
    const struct {
        int key;
        float yaw, x, z;
    } steps[] = {{'e', 0, 0, -0.3f}, {'e', 90, 0.3f, 0}, {'d', 0, 0, 0.1f}, {'d', 270, 0.1f, 0}};
    for (const auto& s : steps) {
        walker.position = Vector3(0, 0, 0);
        walker.angles.y = s.yaw;
        keys[s.key] = 1;
        walker.applyKeys(keys);
        keys[s.key] = 0;
        EXPECT_NEAR(walker.position.x, s.x, 1e-5f) << char(s.key) << " at " << s.yaw;
        EXPECT_NEAR(walker.position.z, s.z, 1e-5f) << char(s.key) << " at " << s.yaw;
    }
    keys[276] = keys[273] = 1; // left and up: turn and tilt one degree
    walker.applyKeys(keys);
    EXPECT_EQ(walker.angles.y, 269.0f);
    EXPECT_EQ(walker.angles.x, 1.0f);
}

// A window starts at its closing frame, which it does not count, and the
// second is measured across the 32-bit clock wrap.
TEST(FrameCounter, CountsTheFramesOfEachSecondAcrossTheClockWrap) {
    platformConfig().clockStep = 0xFFFFFE00u - getTickCount(); // 512 ms before the wrap
    advanceVirtualClock();
    platformConfig().clockStep = 16;
    FrameCounter counter;
    counter.start();
    for (int i = 0; i < 63; ++i) { // frames at 0, 16, ..., 992 ms
        counter.update();
        advanceVirtualClock();
        ASSERT_EQ(counter.shown, -1) << "frame " << i;
    }
    counter.update(); // at 1008 ms: the window closes
    EXPECT_EQ(counter.shown, 63);
    for (int i = 0; i < 63; ++i) {
        advanceVirtualClock();
        counter.update();
    }
    EXPECT_EQ(counter.shown, 62);
    EXPECT_EQ(counter.frames, 0u);
    platformConfig().clockStep = 0;
}
