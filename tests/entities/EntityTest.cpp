// The entity list and its buckets, the ocean's grid strip, the camera's
// traces and turns, and the factory: logic that needs no window.

#include "entities/Camera.h"
#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "entities/GridMesh.h"
#include "entities/Sun.h"
#include "landscape/Landscape.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// 4 x 3 sectors of 16 units.
struct SmallWorld {
    Landscape world;
    SmallWorld() { world.newMap(64, 48, 16, 4.0f, 4.0f); }
    std::shared_ptr<Entity> add(Vector3 position, int32_t drawOrder = 100) {
        auto entity = std::make_shared<Entity>();
        entity->position = position;
        entity->drawOrder = drawOrder;
        addEntity(world, entity);
        return entity;
    }
};

TEST(GridMesh, IndicesFormOneSerpentineStrip) {
    struct Case {
        int columns, rows;
        std::vector<int32_t> indices;
    };
    const Case cases[] = {
        {4, 4, {0, 1, 4, 5, 8, 9, 12, 13, 13, 14, 9, 10, 5, 6, 1, 2, 2, 3, 6, 7, 10, 11, 14, 15}},
        {3, 2, {0, 1, 3, 4, 4, 5, 1, 2}},
    };
    for (const Case& c : cases) {
        GridMesh mesh;
        mesh.buildGrid(c.columns, c.rows, 1.0f);
        EXPECT_EQ(mesh.indices, c.indices) << c.columns << " x " << c.rows;
        EXPECT_EQ(mesh.indexCount, int32_t(c.indices.size()));
    }
}

TEST(EntityList, BucketsKeepDrawOrderAndEveryCapacityHolds) {
    SmallWorld w;
    Sector& sector = w.world.sectors[0];
    std::vector<std::shared_ptr<Entity>> made;
    for (int32_t order : {100, 150, 100, 100})
        made.push_back(w.add(Vector3(1, 0, 1), order));
    placeEntities(w.world);
    // Among equal keys the newest comes first; higher keys after.
    ASSERT_EQ(sector.entityCount, 4);
    EXPECT_EQ(sector.entityBucket[0], made[3].get());
    EXPECT_EQ(sector.entityBucket[1], made[2].get());
    EXPECT_EQ(sector.entityBucket[2], made[0].get());
    EXPECT_EQ(sector.entityBucket[3], made[1].get());

    // A full bucket refuses the next entity, which stays unplaced.
    while (sector.entityCount < Sector::bucketCapacity)
        ASSERT_TRUE(bucketInsert(sector, made[0].get()));
    auto late = w.add(Vector3(2, 0, 2));
    placeEntities(w.world);
    EXPECT_EQ(late->placement, Unplaced);
    EXPECT_EQ(sector.entityCount, int(Sector::bucketCapacity));

    // The list and a pending list refuse what does not fit.
    while (w.world.entities.size() < size_t(entityListCapacity))
        w.world.entities.push_back(std::make_shared<Entity>());
    EXPECT_EQ(addEntity(w.world, std::make_shared<Entity>()), -1);
    EXPECT_EQ(w.world.entities.size(), size_t(entityListCapacity));
    int pending = 0;
    while (late->addPending(std::make_shared<Entity>()))
        ++pending;
    EXPECT_EQ(pending, Entity::pendingCapacity);
}

TEST(EntityList, PlacementFollowsThePositionAndLeavesTheGrid) {
    SmallWorld w;
    auto walker = w.add(Vector3(20, 0, 40)); // sector (1, 2)
    auto fixed = w.add(Vector3(20, 0, 40));
    fixed->placement = Free;
    struct Step {
        Vector3 position;
        int32_t placement;
    };
    const Step steps[] = {
        {{20, 0, 40}, 9},        {{60, 0, 40}, 11},       {{70, 0, 40}, Unplaced},
        {{-20, 0, 1}, Unplaced}, {{NAN, 0, 1}, Unplaced}, {{1, 0, 47}, 8},
    };
    for (const Step& step : steps) {
        walker->position = step.position;
        placeEntities(w.world);
        EXPECT_EQ(walker->placement, step.placement) << step.position.x << ", " << step.position.z;
        int inBuckets = 0;
        for (const Sector& s : w.world.sectors)
            inBuckets += s.entityCount;
        EXPECT_EQ(inBuckets, step.placement >= 0 ? 1 : 0);
    }
    EXPECT_EQ(fixed->placement, Free);
}

// An entity that, when handed over, brings one more pending entity along.
struct Spawner : Entity {
    std::shared_ptr<Entity> next;
    void onAdded(Landscape&) override {
        if (next)
            addPending(next);
    }
};

TEST(EntityList, ProcessPendingHandsOverAndRemovesInOnePass) {
    SmallWorld w;
    auto first = w.add(Vector3(1, 0, 1));
    auto goner1 = w.add(Vector3(1, 0, 1));
    auto goner2 = w.add(Vector3(1, 0, 1));
    goner1->removeRequested = 1;
    goner2->removeRequested = 1;
    auto spawned = std::make_shared<Spawner>();
    auto grandchild = std::make_shared<Entity>();
    spawned->next = grandchild;
    first->addPending(spawned);
    placeEntities(w.world);
    std::weak_ptr<Entity> gone = goner1;
    goner1.reset();

    processPending(w.world);
    ASSERT_EQ(w.world.entities.size(), size_t(3));
    EXPECT_EQ(w.world.entities[0], first);
    EXPECT_EQ(w.world.entities[1].get(), spawned.get());
    EXPECT_EQ(w.world.entities[2], grandchild);
    EXPECT_EQ(spawned->pendingCount, 0) << "the appended entity was visited in the same pass";
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(w.world.sectors[0].entityCount, 1) << "removed entities left their bucket";
}

TEST(Entity, ChildrenShareStateSlotsUpToTheirCapacity) {
    SmallWorld w;
    auto parent = std::make_shared<Entity>();
    int attached = 0;
    for (int i = 0; i < 120; ++i)
        attached += parent->addChild(w.world, std::make_shared<Entity>()) ? 1 : 0;
    EXPECT_EQ(attached, Entity::childCapacity);
    EXPECT_EQ(parent->childCount, Entity::childCapacity);
    (*parent->stateSlots)[0] = 1;
    EXPECT_EQ((*parent->children[99]->stateSlots)[0], 1u);
    EXPECT_EQ(parent->children[99]->parent, parent.get());
}

TEST(Camera, TracesPassTheirMidpointsAndComeToRest) {
    // Also when the trace runs across the clock's wrap.
    for (uint32_t t0 : {5000u, 0xFFFFFFFFu - 499u}) {
        Landscape world; // no terrain: no ground to keep clear of
        auto camera = std::make_shared<Camera>();
        addEntity(world, camera);
        struct Sample {
            uint32_t time; // ms after t0
            float x;
        };
        world.frameTime = t0;
        camera->update(world);
        camera->tracePosition(world, Vector3(10, 0, 0), 1000);
        const Sample samples[] = {{0, 0.0f}, {500, 5.5f}, {1000, 11.0f}, {4000, 11.0f}};
        for (const Sample& s : samples) {
            world.frameTime = t0 + s.time;
            camera->update(world);
            EXPECT_NEAR(camera->position.x, s.x, 1e-4) << "at " << t0 << " + " << s.time;
        }
        // Restarted halfway, the new trace leaves with the old one's speed: no jump.
        world.frameTime = t0 + 5000;
        camera->tracePosition(world, Vector3(0, 0, 0), 1000);
        world.frameTime = t0 + 5500;
        camera->update(world);
        float before = camera->position.x;
        camera->tracePosition(world, Vector3(-20, 0, 0), 1000);
        camera->update(world);
        EXPECT_FLOAT_EQ(camera->position.x, before);
        // From 11 towards 1 the old trace moved at -15 per unit of s halfway.
        EXPECT_FLOAT_EQ(camera->positionTrace.velocityTerm.x, -15.0f);
        // A trace of no duration evaluated in its own frame is already over.
        camera->traceDirection(world, Vector3(30, 40, 0), 0);
        camera->tracePosition(world, Vector3(3, 4, 5), 0);
        camera->update(world);
        EXPECT_TRUE(std::isfinite(camera->position.x) && std::isfinite(camera->rotation.y));
        EXPECT_NEAR(camera->position.x, 4.0f, 1e-4);
        EXPECT_NEAR(camera->rotation.y, 40.0f, 1e-4);
    }
}

TEST(Camera, TurnsTheShortWay) {
    struct Case {
        float from, to, turn;
    };
    const Case cases[] = {{350, 10, 20}, {10, 350, -20}, {0, 180, -180}, {180, 0, 180},
                          {90, 100, 10}, {100, 90, -10}, {0, 0, 0}};
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(shortTurn(c.from, c.to), c.turn) << c.from << " to " << c.to;
    EXPECT_FLOAT_EQ(wrapDegrees(-90.0f), 270.0f);
    EXPECT_FLOAT_EQ(wrapDegrees(725.0f), 5.0f);
}

// Seen with an unturned view the sun stands where the light comes from: its
// yaw turns the view's -z towards the light's (x, z).
TEST(Sun, StandsWhereTheLightComesFrom) {
    Landscape world;
    world.sunDirection.set(0.48f, 0.6f, 0.64f);
    auto sun = std::make_shared<Sun>();
    addEntity(world, sun);
    const float yaw = sun->angles.y * degreesToRadians;
    EXPECT_NEAR(-std::sin(yaw), 0.6f, 1e-4f);
    EXPECT_NEAR(-std::cos(yaw), 0.8f, 1e-4f);
}

// What it followed is let go of in the demo script's and the replay's tests.
TEST(Camera, LeavesTheViewWhereItWasWhenDestroyed) {
    Landscape world;
    auto camera = std::make_shared<Camera>();
    addEntity(world, camera);
    ASSERT_EQ(world.cameraPosition, &camera->position);
    camera->position = Vector3(1, 2, 3);
    clearEntities(world);
    camera.reset();
    ASSERT_NE(world.cameraPosition, nullptr);
    EXPECT_FLOAT_EQ(world.cameraPosition->z, 3.0f) << "the view stays where the camera was";
}

} // namespace
