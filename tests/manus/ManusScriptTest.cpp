// The demo script runner: how lines split into words, when lines run, slot
// searches, and slots whose entity is gone.

#include "manus/ManusScript.h"
#include "entities/Camera.h"
#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "landscape/Landscape.h"
#include "platform/Input.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A flat 4 x 4 sector world whose script reads the given text.
struct ScriptRun {
    TempWorkingDirectory folder;
    Landscape world;
    std::shared_ptr<ManusScript> script; // kept past its removal, to read what it did

    explicit ScriptRun(const std::string& text, std::vector<int32_t> types = {},
                       uint32_t start = 5000) {
        world.newMap(64, 64, 16, 1.0f, 1.0f);
        world.finalize();
        for (int32_t type : types)
            addEntity(world, createEntity(type));
        folder.writeFile("data\\manus.txt", text);
        clearKeys();
        world.frameTime = start;
        script = std::make_shared<ManusScript>();
        addEntity(world, script);
    }
    // One frame of the entity passes at the given clock.
    void frame(uint32_t time) {
        world.frameTime = time;
        for (size_t i = 0; i < world.entities.size(); ++i)
            world.entities[i]->updateTree(world, time);
        processPending(world);
    }
    bool running() const { return indexOfEntity(world, script.get()) >= 0; }
};

} // namespace

TEST(ManusScript, WordsAreSplitOnSpacesOnly) {
    struct Case {
        std::string text;
        uint32_t wake; // wake time after the first frame at 5000
    } cases[] = {
        {"sleep 500\n", 5500},
        {"  sleep   500  \n", 5500},
        {"sleep 500 and more words\n", 5500},
        {"sleep 500\r\nsleep 900\n", 5500},
        {"sleep\t500\n", 5000},              // a tab belongs to the word: no command
        {"Sleep 500\n", 5000},               // names are case-sensitive
        {"sleep\n", 5000},                   // a missing number is 0
        {"sleep -100\nsleep 300\n", 5300},   // a negative time does not wait
        {"sleep 2x\nsleep 40\n", 5002},      // numbers convert like atoi
        {"\n\nwait here\nsleep 70\n", 5070}, // empty and comment lines are skipped
        // 511 characters are read at a time; the rest comes as the next line.
        {std::string(511, 'a') + "sleep 60\n", 5060},
    };
    for (const Case& c : cases) {
        ScriptRun run(c.text);
        run.frame(5000);
        EXPECT_EQ(run.script->wakeTime, c.wake) << c.text.substr(0, 40);
    }
}

TEST(ManusScript, CountsTheLinesOfItsFileAsAnEditorNumbersThem) {
    // A line longer than one read is still one line; so is one ended by CR LF.
    ScriptRun run("; a comment\r\n" + std::string(600, 'a') + "\n\nsleep 500\nsleep 9\n");
    run.frame(5000);
    EXPECT_EQ(run.script->lineNumber, 4) << "the line of the sleep that holds the script";
}

TEST(ManusScript, SleepHoldsTheNextLineAndTheEndRemovesTheScript) {
    for (uint32_t t0 : {5000u, 0xFFFFFFFFu - 499u}) { // also a sleep across the clock's wrap
        ScriptRun run("sleep 1000\nquit\r\nsleep 0\nsleep 20\n", {}, t0); // CR LF too
        run.frame(t0);
        run.frame(t0 + 999);
        EXPECT_FALSE(quitRequested()) << t0;
        run.frame(t0 + 1000); // quit, then the lines up to the next positive sleep
        EXPECT_TRUE(quitRequested()) << t0;
        EXPECT_EQ(run.script->wakeTime, t0 + 1020u);
        EXPECT_TRUE(run.running());
        run.frame(t0 + 1020);
        EXPECT_FALSE(run.running());
        EXPECT_NE(findFirstOfType(run.world, CameraType), nullptr) << "its camera stays";
        clearKeys();
    }
}

TEST(ManusScript, GetFirstAndGetNextVisitEveryPalmInListOrder) {
    ScriptRun run("getfirst 0 2\nsleep 10\ngetnext 0\nsleep 10\ngetnext 0\nsleep 10\n"
                  "getnext 0\nsleep 10\ngetprev 0\ngetfirst 1 5\ngetfirst 2 8\nsleep 10\n",
                  {PalmTreeType, SunType, PalmTreeType, SkyType, OceanType, PalmTreeType});
    const int palms[] = {0, 2, 5, 5}; // list indices: the last one stays
    for (int k = 0; k < 4; ++k) {
        run.frame(5000 + 10 * k);
        EXPECT_EQ(indexOfEntity(run.world, run.script->slotEntity(0)), palms[k]) << "step " << k;
    }
    run.frame(5040);
    EXPECT_EQ(indexOfEntity(run.world, run.script->slotEntity(0)), 2);
    EXPECT_EQ(run.script->slotEntity(1)->typeId, CameraType);
    EXPECT_EQ(run.script->slotEntity(2), nullptr) << "no rocket: the slot stays empty";
}

// The camera, sent less than a unit above the ground, keeps one unit above it.
TEST(ManusScript, DropToFloorSetsTheEntityOnTheGroundUnderItAndTheCameraAboveIt) {
    ScriptRun run("createentity 0 6 40 9 8 0 0 0\ndroptofloor 0\ncsetpos 40 10.5 8 0\nsleep 10\n");
    for (Sector& s : run.world.sectors) // a slope along x only
        s.positions.update([](size_t, Vector3& p) { p.y = 0.25f * p.x; });
    run.frame(5000);
    EXPECT_FLOAT_EQ(run.script->slotEntity(0)->position.y, 10.0f);
    const Vector3 eye = run.script->camera.lock()->position; // a trace ends 1 beyond in x
    EXPECT_TRUE(eye.x == 41.0f && eye.y == 11.25f) << eye.x << ", " << eye.y;
}

// Each press of the tour key sends the demo's camera on to the next palm.
TEST(ManusScript, TheTourKeyTakesTheCameraToEachPalmInTurn) {
    ScriptRun run("sleep 100000\n", {PalmTreeType, SunType, PalmTreeType});
    run.world.entities[0]->position.set(10, 0, 20);
    run.world.entities[2]->position.set(30, 0, 50);
    run.frame(5000);
    std::vector<float> visited;
    for (uint32_t t = 6000; t < 30000; t += 6000) {
        KeyState[Camera::tourKey] = 1;
        run.frame(t);
        run.frame(t + 5500);
        visited.push_back(run.script->camera.lock()->position.z);
    }
    EXPECT_TRUE(visited[0] != visited[1] && visited[0] == visited[2] && visited[1] == visited[3]);
}

// Built with -fsanitize=address this also proves that nothing reaches a
// destroyed entity: the palms are removed under the script, and the drive
// of the spawned sky ends at once (its record is missing), after which its
// director removes it.
TEST(ManusScript, ASlotWhoseEntityIsGoneIsEmptyAndTheCameraLetsGo) {
    ScriptRun run("getfirst 3 2\nctracepos 3\nclookat 3\ncreateentity 4 6 1 2 3 0 90 0\n"
                  "ctracedir 4\nspawn 5 9 data\\records\\none.rec\nsleep 10\n"
                  "ctracepos 5\ndroptofloor 3\nclookat 3\ngetnext 3\nsleep 10\n"
                  "droptofloor 5\nctracedir 5\nclookat 5\ngetprev 5\ncreateentity 40 6\nsleep 10\n",
                  {PalmTreeType, PalmTreeType});
    run.frame(5000);
    auto eye = std::static_pointer_cast<Camera>(run.script->camera.lock());
    ASSERT_TRUE(eye);
    ASSERT_NE(run.script->slotEntity(5), nullptr);
    EXPECT_EQ(run.script->slotEntity(4)->rotation.y, 90.0f);
    removeEntitiesOfType(run.world, PalmTreeType);
    EXPECT_EQ(run.script->slotEntity(3), nullptr);
    EXPECT_FALSE(eye->followPosition);
    EXPECT_FALSE(eye->lookTarget);
    run.frame(5010); // follows the sky, which its director removes at the end of the frame
    EXPECT_EQ(run.script->slotEntity(5), nullptr);
    EXPECT_FALSE(eye->followPosition);
    run.frame(5020);
    EXPECT_TRUE(eye->followAngles) << "the entity createentity made is kept alive";
    EXPECT_EQ(eye->followAngles.get(), &run.script->slotEntity(4)->rotation);
    run.frame(5030); // the end of the script, without "quit"
    EXPECT_FALSE(run.running());
    run.script.reset();
    EXPECT_TRUE(eye->followAngles) << "it outlives the script";
    EXPECT_EQ(findFirstOfType(run.world, 6), nullptr) << "in no list";
}
