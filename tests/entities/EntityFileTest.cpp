// The entity file: sizes, a save-load-save round trip, and files that lie.

#include "entities/EntityFile.h"
#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "entities/Ocean.h"
#include "landscape/Landscape.h"
#include "tests/support/LittleEndian.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const size_t recordBytes = 4 + 60; // type word and record

// A flat 4 x 4 sector map of 16-unit sectors.
void makeWorld(Landscape& world) {
    world.newMap(64, 64, 16, 1.0f, 1.0f);
    world.finalize();
}

Entity& add(Landscape& world, int32_t type, Vector3 position = Vector3()) {
    std::shared_ptr<Entity> entity = createEntity(type);
    entity->position = position;
    Entity& added = *entity;
    addEntity(world, std::move(entity));
    return added;
}

// One entity as the file holds it: type, record, class data.
std::string entityBytes(int32_t type, int32_t recordType = -1, int32_t extraSize = 0) {
    std::string out =
        fields<int32_t>({type, recordType < 0 ? type : recordType, -1, 100, extraSize});
    out += std::string(60 - 16, '\0');
    return out + std::string(size_t(extraSize > 0 && extraSize < 1000 ? extraSize : 0), '\0');
}

} // namespace

TEST(EntityFile, SaveLoadSaveDiffersOnlyInTheTimeSinceTheLastFrameStep) {
    TempWorkingDirectory folder;
    Landscape world;
    makeWorld(world);
    Entity& palm = add(world, PalmTreeType, Vector3(40.0f, 0.0f, 24.0f)); // sector 1 * 4 + 2
    palm.frame = 7; // every field away from its default
    palm.frameDelay = 250;
    palm.animation = 1;
    palm.drawOrder = 40;
    palm.rotation = Vector3(1.0f, 2.0f, 3.0f);
    add(world, SunType);
    add(world, TankType, Vector3(30.0f, 0.0f, 30.0f));
    Ocean& ocean = static_cast<Ocean&>(add(world, OceanType, Vector3(16.0f, 3.0f, 0.0f)));
    ocean.setCorners(0, 0, 16, 16, 0);
    ocean.setCornerTexCoords(1.5f, 3.0f, 10.0f);
    ASSERT_TRUE(saveEntities(world, "a.ent")); // before any frame has placed them
    ASSERT_EQ(palm.placement, 6);

    ASSERT_TRUE(loadEntities(world, "a.ent"));
    ASSERT_EQ(world.entities.size(), 4u);
    EXPECT_EQ(world.entities[0]->placement, 6); // re-made from the position
    EXPECT_EQ(world.entities[0]->frame, 7);     // not the palm's own random start frame
    EXPECT_EQ(world.entities[1]->placement, Free);
    EXPECT_EQ(world.entities[2]->childCount, 3) << "two feet and the turret, made once";
    const Ocean& loaded = static_cast<const Ocean&>(*world.entities[3]);
    EXPECT_EQ(loaded.cornerTexCoords[2].x, 3.1f);
    EXPECT_EQ(loaded.cornerTexCoords[2].y, 4.6f);
    ASSERT_TRUE(saveEntities(world, "b.ent"));

    std::string a = folder.readFile("a.ent"), b = folder.readFile("b.ent");
    ASSERT_EQ(a.size(), 4 + 4 * recordBytes + 40) << "the count, 64 bytes each, the ocean's patch";
    ASSERT_EQ(a.size(), b.size());
    for (size_t at = 0; at < a.size(); ++at) {
        size_t inRecord = (at - 4) % recordBytes; // entities are 64 bytes apart until the ocean's
        bool timeWord =
            at >= 4 && inRecord >= 4 + 28 && inRecord < 4 + 32 && at < 4 + 4 * recordBytes;
        if (!timeWord) {
            EXPECT_EQ(a[at], b[at]) << "byte " << at;
        }
    }
}

TEST(EntityFile, LoadingStopsAtTheFirstEntityTheFileCannotHold) {
    struct Case {
        const char* what;
        std::string bytes;
        bool result;
        size_t entitiesLeft;
    } cases[] = {
        {"count larger than the file", fields<int32_t>({1000}) + entityBytes(2) + entityBytes(4),
         false, 2},
        {"file ends inside the third record",
         fields<int32_t>({3}) + entityBytes(2) + entityBytes(4) + entityBytes(2).substr(0, 30),
         false, 2},
        {"third type has no class",
         fields<int32_t>({3}) + entityBytes(2) + entityBytes(4) + entityBytes(8), false, 2},
        {"class data larger than the file",
         fields<int32_t>({2}) + entityBytes(2) + entityBytes(1, -1, 1 << 30), false, 1},
        {"negative class data size", fields<int32_t>({2}) + entityBytes(2) + entityBytes(1, -1, -5),
         false, 1},
        {"record type differs: added with defaults, loading goes on",
         fields<int32_t>({2}) + entityBytes(2, 4) + entityBytes(4), true, 2},
        {"negative count", fields<int32_t>({-3}) + entityBytes(2), true, 0},
        {"empty file", "", false, 0},
    };
    for (const Case& c : cases) {
        TempWorkingDirectory folder;
        folder.writeFile("in.ent", c.bytes);
        Landscape world;
        makeWorld(world);
        add(world, SkyType);
        EXPECT_EQ(loadEntities(world, "in.ent"), c.result) << c.what;
        EXPECT_EQ(world.entities.size(), c.entitiesLeft) << c.what;
    }
    Landscape world;
    add(world, SkyType);
    EXPECT_FALSE(loadEntities(world, "no such file.ent"));
    EXPECT_EQ(world.entities.size(), 1u) << "a file that is not there clears nothing";
}
