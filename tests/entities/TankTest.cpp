// The tank's fixed-step drive, its pipe's firing, and rockets bursting.

#include "entities/Tank.h"
#include "entities/EntityList.h"
#include "entities/Explosion.h"
#include "entities/Rocket.h"
#include "entities/TankPipe.h"
#include "landscape/Landscape.h"
#include "platform/Input.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A flat map at height 0 with a tank standing at its ride height.
struct FlatWorld {
    TempWorkingDirectory dir;
    Landscape world;
    std::shared_ptr<Tank> tank = std::make_shared<Tank>();

    FlatWorld() {
        clearKeys();
        world.newMap(64, 64, 16, 1.0f, 1.0f);
        world.finalize();
        tank->position = Vector3(30.0f, 1.0f, 30.0f);
        addEntity(world, tank);
        processPending(world);
    }
    ~FlatWorld() { clearKeys(); }

    // One frame of the entity passes at time.
    void frame(uint32_t time) {
        world.frameTime = time;
        for (size_t i = 0; i < world.entities.size(); ++i)
            world.entities[i]->updateTree(world, time);
    }
};

} // namespace

TEST(Tank, DrawnStateTrailsTheStepsWithoutJumpsAndTheClockWrapChangesNothing) {
    // From 1000, and from just before the wrap, where the second step is due
    // at tick 0.
    const uint32_t starts[] = {1000u, 0xFFFFFFECu};
    Vector3 drawn[2];
    for (int k = 0; k < 2; ++k) {
        const uint32_t t0 = starts[k];
        FlatWorld f;
        KeyState[Tank::keyForward] = 1;
        f.frame(t0);
        EXPECT_EQ(f.tank->nextStepTime, t0 + 20u);
        EXPECT_FLOAT_EQ(f.tank->position.z, 30.0f); // the first step shows a = 0
        EXPECT_LT(f.tank->simPosition.z, 30.0f);    // while the hull already moved forward (-z)

        startCapturingMessages();
        for (uint32_t time : {65u, 66u, 131u, 200u})
            f.frame(t0 + time);
        EXPECT_LE(f.tank->position.z, f.tank->previousPosition.z);
        EXPECT_GE(f.tank->position.z, f.tank->simPosition.z);
        float frozenZ = f.tank->simPosition.z;
        f.tank->recordMode = 1; // frozen, as while a record plays
        f.frame(t0 + 29000);
        f.tank->recordMode = 0;
        f.frame(t0 + 29016); // resumes with one step, not 1440 driving forward
        EXPECT_EQ(f.tank->nextStepTime, t0 + 29036u);
        EXPECT_NEAR(f.tank->simPosition.z, frozenZ, 0.1f);
        EXPECT_TRUE(stopCapturingMessages().empty()); // no "Wrong elaps"
        drawn[k] = f.tank->position;
    }
    EXPECT_TRUE(drawn[0].x == drawn[1].x && drawn[0].y == drawn[1].y && drawn[0].z == drawn[1].z);
}

TEST(Tank, HeldFireShootsAtOnceThenEveryTwentyFramesAndRocketsBurst) {
    FlatWorld f;
    f.world.waterLevel = -0.5f;
    f.tank->aimAngles.x = 20.0f; // aimed 20 degrees down: the pipe stops at 10
    KeyState[Tank::keyFire] = 1;
    std::vector<int> shots;
    for (int frame = 0; frame < 50; ++frame) {
        f.frame(1000 + 16 * uint32_t(frame));
        if (f.tank->pendingCount > 0)
            shots.push_back(frame);
        processPending(f.world);
    }
    EXPECT_EQ(shots, (std::vector<int>{0, 20, 40}));
    TankPipe* pipe = dynamic_cast<TankPipe*>(f.tank->turret->children[0].get());
    ASSERT_NE(pipe, nullptr);
    EXPECT_FLOAT_EQ(pipe->rotation.x, 10.0f);
    EXPECT_FLOAT_EQ(f.tank->aimAngles.x, 20.0f);
}

TEST(Rocket, BurstsOnTheWaterAndItsExplosionJoinsInTheSamePass) {
    FlatWorld f;
    f.world.waterLevel = 2.0f;
    auto rocket = std::make_shared<Rocket>();
    rocket->position = Vector3(10.0f, 1.5f, 10.0f);
    addEntity(f.world, rocket);
    rocket->updateTree(f.world, 1000);
    processPending(f.world);
    ASSERT_EQ(f.world.entities.size(), 2u); // the tank and the explosion
    auto* explosion = dynamic_cast<Explosion*>(f.world.entities[1].get());
    ASSERT_NE(explosion, nullptr);
    EXPECT_FLOAT_EQ(explosion->position.y, 2.0f); // raised from the ground to the water
    EXPECT_EQ(explosion->placement, Effect);
}

TEST(Tank, PitchesWithTheGroundAhead) {
    FlatWorld f; // the ground rises ahead of the tank (towards -z)
    for (Sector& s : f.world.sectors)
        s.positions.update([](size_t, Vector3& p) { p.y = 0.5f * (64.0f - p.z); });
    for (uint32_t time = 1000; time < 2000; time += 16)
        f.frame(time);
    EXPECT_LT(f.tank->rotation.x, -5.0f) << "the nose up";
}
