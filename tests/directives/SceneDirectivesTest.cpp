// The scene directives and the undo ring sharing their entities: stepping
// back over each entity directive, and overwriting the states it left, never
// reaches a destroyed entity (run under AddressSanitizer to see it) and
// destroys each entity exactly once.

#include "DirectiveTestKit.h"
#include "entities/EntityList.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A 4 x 4-sector flat world at height 0 with sea below it, sky, sun, a
// camera and 500 palm trees: 1 tint + 16 patches + 2 + 1 + 500 entities.
const char populated[] = "newmap\n64\n64\n16\n1\n"
                         "setocean\n-1\n"
                         "createsun\ncreatecamera\nplantpalmtrees\n";
const size_t populatedCount = 520;

// One frame's entity work on the current Landscape; drawn too when a window exists.
void runFrame() {
    Landscape& world = *currentLandscape;
    if (openTestWindow()) {
        world.render(GL_TRIANGLES);
        return;
    }
    placeEntities(world);
    for (size_t i = 0; i < world.entities.size(); ++i)
        world.entities[i]->updateTree(world, world.frameTime);
    processPending(world);
}

// Every bucket entry of the current Landscape is one of its own entities,
// standing in that very sector.
void expectBucketsOwnTheirEntities() {
    const Landscape& world = *currentLandscape;
    for (size_t s = 0; s < world.sectors.size(); ++s) {
        const Sector& sector = world.sectors[s];
        for (int32_t k = 0; k < sector.entityCount; ++k) {
            ASSERT_GE(indexOfEntity(world, sector.entityBucket[k]), 0) << "sector " << s;
            EXPECT_EQ(sector.entityBucket[k]->placement, int32_t(s));
        }
    }
}

TEST(SceneDirectives,
     UndoAroundEachEntityDirectiveKeepsEveryEntityAliveExactlyAsLongAsAStateHoldsIt) {
    TempWorkingDirectory folder;
    struct Case {
        const char* directive;
        size_t countAfter;
    };
    const Case cases[] = {
        {"clearentities\n", 0},
        {"setocean\n0.5\n", populatedCount + 1}, // patches replaced, one more tint
        {"createsun\n", populatedCount},
        {"createcamera\n", populatedCount + 1},
        {"plantpalmtrees\n", populatedCount + 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directive);
        auto living = [](const std::vector<std::weak_ptr<Entity>>& group) {
            return std::count_if(group.begin(), group.end(),
                                 [](const std::weak_ptr<Entity>& e) { return !e.expired(); });
        };
        std::vector<std::weak_ptr<Entity>> before, added;
        {
            DirectiveScript script;
            runScriptText(script, folder, populated);
            ASSERT_EQ(currentLandscape->entities.size(), populatedCount);
            before.assign(currentLandscape->entities.begin(), currentLandscape->entities.end());
            runFrame();

            // A copied state, the directive in it, then back to the state before.
            runScriptText(script, folder, std::string("normalizetexcoords\n") + c.directive);
            runFrame();
            expectBucketsOwnTheirEntities();
            EXPECT_EQ(currentLandscape->entities.size(), c.countAfter);
            for (const auto& entity : currentLandscape->entities) {
                bool old =
                    std::any_of(before.begin(), before.end(),
                                [&](const std::weak_ptr<Entity>& e) { return e.lock() == entity; });
                if (!old)
                    added.push_back(entity);
            }

            runScriptText(script, folder, "undo\n");
            EXPECT_EQ(currentLandscape->entities.size(), populatedCount);
            runFrame();
            runFrame();
            expectBucketsOwnTheirEntities();

            // Overwriting the undone state lets go of what only it held.
            runScriptText(script, folder, "normalizetexcoords\n");
            runFrame();
            expectBucketsOwnTheirEntities();
            EXPECT_EQ(living(before), long(populatedCount));
            EXPECT_EQ(living(added), 0);

            // A fresh state starts empty; undo finds the old entities again.
            runScriptText(script, folder, "newmap\n64\n64\n16\n1\n");
            EXPECT_TRUE(currentLandscape->entities.empty());
            runFrame();
            runScriptText(script, folder, "undo\n");
            EXPECT_EQ(currentLandscape->entities.size(), populatedCount);
            runFrame();
            expectBucketsOwnTheirEntities();
        }
        EXPECT_EQ(living(before), 0) << "every entity goes with the ring";
    }
}

TEST(SceneDirectives, PlantPalmTreesStandOnDryGroundAndGiveUpWithoutAny) {
    TempWorkingDirectory folder;
    struct Case {
        const char* water;
        size_t palms;
    };
    const Case cases[] = {{"-1", 500}, {"0", 500}, {"0.5", 0}};
    for (const Case& c : cases) {
        DirectiveScript script;
        runScriptText(script, folder,
                      std::string("newmap\n64\n64\n16\n1\nsetocean\n") + c.water +
                          "\nplantpalmtrees\n");
        size_t palms = 0;
        for (const auto& entity : currentLandscape->entities) {
            if (entity->typeId != PalmTreeType)
                continue;
            ++palms;
            EXPECT_EQ(entity->position.x, float(int(entity->position.x)));
            EXPECT_EQ(entity->position.y, 0.0f);
            EXPECT_TRUE(entity->frame >= 0 && entity->frame < 16);
        }
        EXPECT_EQ(palms, c.palms) << "water at " << c.water;
    }
}

} // namespace
