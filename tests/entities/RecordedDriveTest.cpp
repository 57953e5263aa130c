// Recording and playing back an entity's motion, and the ReplayDirector.

#include "entities/Camera.h"
#include "entities/EntityList.h"
#include "entities/ReplayDirector.h"
#include "entities/Tank.h"
#include "landscape/Landscape.h"
#include "tests/support/LittleEndian.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// One sample as a record file holds it: time, position x, slot change, and
// the y of each registered vector (x and z 0).
std::string sample(uint32_t time, float x, int32_t slot, uint32_t value, std::vector<float> ys) {
    std::string bytes = fields<uint32_t>({time, 0, 0, 0, 0, 0, 0, 0, 0, uint32_t(slot), value});
    putField(bytes, 12, x);
    for (float y : ys)
        bytes += fields<float>({0, y, 0});
    return bytes;
}

} // namespace

TEST(RecordedDrive, PeriodicSamplesCatchUpAfterALateFrameAndCarrySlotChanges) {
    TempWorkingDirectory dir;
    Landscape world;
    auto entity = std::make_shared<Entity>();
    entity->startRecording("take.rec", 1000, 200);
    for (uint32_t time : {1000u, 1210u, 1650u}) {
        (*entity->stateSlots)[0] = time > 1000 ? 1 : 0; // fire pressed before 1210
        entity->updateTree(world, time);
    }
    entity->stopRecording();

    std::string bytes = dir.readFile("take.rec");
    ASSERT_EQ(bytes.size(), 4u * 44);
    const uint32_t times[] = {0, 210, 650, 650};
    const int32_t slots[] = {-1, 0, -1, -1};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(fieldAt<uint32_t>(bytes, 44 * k), times[k]) << "sample " << k;
        EXPECT_EQ(fieldAt<int32_t>(bytes, 44 * k + 36), slots[k]) << "sample " << k;
    }
}

TEST(RecordedDrive, SampleSizeFollowsTheRegisteredVectorsUpToTen) {
    TempWorkingDirectory dir;
    Landscape world;
    auto tank = std::make_shared<Tank>();
    addEntity(world, tank);
    tank->aimAngles = Vector3(1.0f, 2.0f, 3.0f);
    tank->startRecording("tank.rec", 0, 200);
    tank->stopRecording();
    std::string bytes = dir.readFile("tank.rec");
    ASSERT_EQ(bytes.size(), 68u); // the sample, aimAngles, turretAngles
    EXPECT_EQ(fieldAt<float>(bytes, 48), 2.0f);

    auto many = std::make_shared<Entity>();
    Vector3 vectors[12];
    int registered = 0;
    for (Vector3& v : vectors)
        registered += many->registerRecordedVector(v, false) ? 1 : 0;
    EXPECT_EQ(registered, 10);
    many->startRecording("many.rec", 0, 200);
    many->stopRecording();
    EXPECT_EQ(dir.readFile("many.rec").size(), 44u + 10 * 12);
}

TEST(RecordedDrive, PlaybackInterpolatesAndTurnsAnglesTheShortWay) {
    struct Case {
        bool angle;
        float from, to, halfway;
    } cases[] = {
        {true, 350.0f, 10.0f, 360.0f}, // through 0, not back through 180
        {true, 10.0f, 350.0f, 0.0f},
        {true, 0.0f, 90.0f, 45.0f},
        {false, 350.0f, 10.0f, 180.0f}, // not an angle: straight between
    };
    for (const Case& c : cases) {
        TempWorkingDirectory dir;
        dir.writeFile("turn.rec",
                      sample(200, 0.0f, -1, 0, {c.from}) + sample(400, 10.0f, -1, 0, {c.to}));
        auto entity = std::make_shared<Entity>();
        Vector3 yaw;
        entity->registerRecordedVector(yaw, c.angle);
        entity->startPlayback("turn.rec", 5000);
        entity->playback(5300); // halfway between the samples at 200 and 400
        EXPECT_EQ(entity->recordMode, 1);
        EXPECT_FLOAT_EQ(entity->position.x, 5.0f);
        EXPECT_FLOAT_EQ(yaw.y, c.halfway) << c.from << " to " << c.to;
    }
}

TEST(RecordedDrive, PlaybackReplaysSlotsAndEndsOnTheLastWholeSample) {
    const std::string a = sample(0, 1.0f, 3, 7, {});
    const std::string b = sample(100, 2.0f, 99, 5, {}); // a slot the entity does not have
    struct Case {
        std::string file;
        uint32_t elapsed;
        int32_t mode;
        float x;
        uint32_t slot3;
    } cases[] = {
        {a, 0, 0, -4.0f, 0},                        // one sample: ends, nothing moves
        {a + b, 50, 1, 1.5f, 7},                    // between the two
        {a + b + b.substr(0, 30), 100, 0, 1.5f, 7}, // the short third sample ends it
        {a + b, 100, 0, 1.5f, 7},
    };
    for (const Case& c : cases) {
        TempWorkingDirectory dir;
        dir.writeFile("drive.rec", c.file);
        auto entity = std::make_shared<Entity>();
        entity->position.x = -4.0f;
        entity->startPlayback("drive.rec", 1000);
        if (c.elapsed > 0)
            entity->playback(1000 + c.elapsed / 2);
        entity->playback(1000 + c.elapsed);
        EXPECT_EQ(entity->recordMode, c.mode) << c.file.size() << " bytes at " << c.elapsed;
        EXPECT_FLOAT_EQ(entity->position.x, c.x) << c.file.size() << " bytes at " << c.elapsed;
        EXPECT_EQ((*entity->stateSlots)[3], c.slot3);
    }
}

TEST(ReplayDirector, RemovesThePlayedTankAndNothingReachesItAfterwards) {
    TempWorkingDirectory dir;
    dir.writeFile("drive.rec",
                  sample(0, 1.0f, -1, 0, {0.0f, 0.0f}) + sample(100, 2.0f, -1, 0, {0.0f, 0.0f}));
    Landscape world;
    world.frameTime = 1000;
    auto director = std::make_shared<ReplayDirector>();
    auto camera = std::make_shared<Camera>();
    addEntity(world, director);
    addEntity(world, camera);
    for (int32_t type : {8, 42, -1})
        director->startReplay(world, type, "drive.rec");
    EXPECT_EQ(world.entities.size(), 2u);
    EXPECT_TRUE(director->played.expired());

    director->startReplay(world, TankType, "drive.rec");
    std::shared_ptr<Entity> tank = director->played.lock();
    ASSERT_TRUE(tank);
    EXPECT_EQ(tank->recordMode, 1);
    camera->followPosition = VectorRef(*tank, tank->position);
    camera->lookTarget = VectorRef(*tank, tank->position);
    tank.reset();

    for (int frame = 0; frame < 20; ++frame) {
        world.frameTime += 16;
        for (size_t i = 0; i < world.entities.size(); ++i)
            world.entities[i]->updateTree(world, world.frameTime);
        processPending(world);
    }
    EXPECT_EQ(world.entities.size(), 2u);
    EXPECT_TRUE(director->played.expired());
    EXPECT_FALSE(camera->followPosition);
    EXPECT_FALSE(camera->lookTarget);
}
