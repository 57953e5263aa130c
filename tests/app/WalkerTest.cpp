#include "tests/support/TestSupport.h"

#include "app/Walker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct Keys {
    uint8_t table[512];
    Keys() { std::memset(table, 0, sizeof table); }
    Keys& hold(int key) {
        table[key] = 1;
        return *this;
    }
};

const int space = 32, keyD = 100, keyE = 101, up = 273, down = 274, right = 275, left = 276;

// One frame of the loop for the walker: keys, then gravity over flat ground.
void frame(Walker& walker, const Keys& keys, float ground) {
    walker.applyKeys(keys.table);
    walker.applyGravity(ground);
}

} // namespace

TEST(Walker, FallsWithGrowingSpeedAndRestsOneAboveTheGround) {
    Walker walker;
    Keys none;
    float previousDrop = 0.0f;
    for (int i = 0; i < 5; ++i) {
        float before = walker.position.y;
        frame(walker, none, 0.0f);
        float drop = before - walker.position.y;
        EXPECT_GE(drop, previousDrop) << "gravity speeds the fall up";
        previousDrop = drop;
    }
    for (int i = 0; i < 100000 && walker.position.y > 1.0f; ++i)
        frame(walker, none, 0.0f);
    EXPECT_EQ(walker.position.y, 1.0f);
    EXPECT_EQ(walker.verticalSpeed, 0.0f);
    frame(walker, none, 0.0f);
    EXPECT_EQ(walker.position.y, 1.0f) << "resting stays put";
}

TEST(Walker, HoldingSpaceRisesATenthPerFrameWithoutLimit) {
    Walker walker;
    walker.position.y = 1.0f;
    Keys rise;
    rise.hold(space);
    for (int i = 0; i < 2000; ++i) {
        float before = walker.position.y;
        frame(walker, rise, 0.0f);
        ASSERT_NEAR(walker.position.y - before, 0.1f, 1e-4f) << "frame " << i;
    }
    EXPECT_GT(walker.position.y, 200.0f);
}

TEST(Walker, ReleasingSpaceFallsBackToTheGround) {
    Walker walker;
    walker.position.y = 11.0f;
    Keys rise, none;
    rise.hold(space);
    frame(walker, rise, 10.0f);
    float peak = walker.position.y;
    for (int i = 0; i < 10; ++i)
        frame(walker, none, 10.0f);
    EXPECT_GT(walker.position.y, peak) << "keeps going up for a while after release";
    for (int i = 0; i < 1000; ++i)
        frame(walker, none, 10.0f);
    EXPECT_EQ(walker.position.y, 11.0f);
}

TEST(Walker, ArrowsTurnAndTiltOneDegreePerFrame) {
    Walker walker;
    walker.applyKeys(Keys().hold(left).table);
    EXPECT_EQ(walker.angles.y, 134.0f);
    walker.applyKeys(Keys().hold(right).hold(right).table);
    EXPECT_EQ(walker.angles.y, 135.0f);
    walker.applyKeys(Keys().hold(up).table);
    walker.applyKeys(Keys().hold(up).table);
    EXPECT_EQ(walker.angles.x, 2.0f);
    walker.applyKeys(Keys().hold(down).table);
    EXPECT_EQ(walker.angles.x, 1.0f);
    walker.applyKeys(Keys().hold(left).hold(right).hold(up).hold(down).table);
    EXPECT_EQ(walker.angles.y, 135.0f);
    EXPECT_EQ(walker.angles.x, 1.0f);
    EXPECT_EQ(walker.angles.z, 0.0f) << "roll never changes";
}

TEST(Walker, ForwardIsMinusZAtYawZeroAndPlusXAtYawNinety) {
    Walker walker;
    walker.position = Vector3(0.0f, 0.0f, 0.0f);
    walker.angles.y = 0.0f;
    walker.applyKeys(Keys().hold(keyE).table);
    EXPECT_FLOAT_EQ(walker.position.z, -0.3f);
    EXPECT_EQ(walker.position.x, 0.0f);

    walker.position = Vector3(0.0f, 0.0f, 0.0f);
    walker.angles.y = 90.0f;
    walker.applyKeys(Keys().hold(keyE).table);
    EXPECT_FLOAT_EQ(walker.position.x, 0.3f);
    // 90 degrees through the factor 0.0174532 falls just short of a right
    // angle, so the step keeps a trace of forward-z (pi/180 would give 0).
    EXPECT_EQ(walker.position.z, float(-std::cos(90.0 * 0.0174532) * 0.3));
    EXPECT_LT(walker.position.z, 0.0f);
}

TEST(Walker, WalkingBackIsAThirdOfTheForwardStep) {
    Walker walker;
    walker.position = Vector3(0.0f, 0.0f, 0.0f);
    walker.angles.y = 0.0f;
    walker.applyKeys(Keys().hold(keyD).table);
    EXPECT_FLOAT_EQ(walker.position.z, 0.1f);
    walker.angles.y = 270.0f;
    walker.position = Vector3(0.0f, 0.0f, 0.0f);
    walker.applyKeys(Keys().hold(keyD).table);
    EXPECT_FLOAT_EQ(walker.position.x, 0.1f);
}
