// The free-walking eye of a world that has no camera of its own.

#include "app/Walker.h"
#include "entities/Entity.h"

#include <gtest/gtest.h>

// 'e' walks where the view looks, as the engine draws it; the eye comes to
// rest a unit above the ground.
TEST(Walker, WalksWhereItLooksAndRestsItsEyeAUnitAboveTheGround) {
    Walker walker;
    walker.angles.y = 120.0f; // not on a diagonal: x and z steps differ
    uint8_t keys[512] = {};
    keys[int('e')] = 1;
    const Vector3 start = walker.position, back = directionFromAngles(walker.angles);
    walker.applyKeys(keys);
    EXPECT_NEAR(walker.position.x - start.x, -0.3f * back.x, 1e-4f);
    EXPECT_NEAR(walker.position.z - start.z, -0.3f * back.z, 1e-4f);
    walker.applyGravity(start.y - 0.5f);
    EXPECT_EQ(walker.position.y, start.y + 0.5f);
}
