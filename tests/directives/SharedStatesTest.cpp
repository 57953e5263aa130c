// The undo ring's states share their arrays until one writes them. Random
// scripts of terrain, light, paint and undo commands run twice: as the map
// builder runs them, and with every array of every state copied apart after
// each command and nothing derived kept, which is the ring of deep copies.
// Both must save the same maps; a state the command did not touch must save
// as it did before; and once the older states are dropped their memory goes.

#include "tests/directives/DirectiveTestKit.h"

#include "landscape/TerrainPool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

template <class T> void copyApart(SharedArray<T>& array) {
    SharedArray<T> copy;
    if (!array.empty())
        std::memcpy(copy.overwrite(array.size()), array.data(), array.size() * sizeof(T));
    array = copy;
}

// Every state made a deep copy, as if no block had ever been shared.
void copyEveryStateApart(UndoRing& ring) {
    for (Landscape* state : ring.slots) {
        if (state == nullptr)
            continue;
        for (Sector& s : state->sectors) {
            copyApart(s.positions), copyApart(s.normals), copyApart(s.texCoords);
            copyApart(s.overlayTexCoords), copyApart(s.colours), copyApart(s.overlayColours);
            copyApart(s.overlayAlphas), copyApart(s.textures), copyApart(s.corners);
            copyApart(s.basisInverses), copyApart(s.baseOrder), copyApart(s.overlayOrder);
            s.derived = Sector::Derived();
        }
    }
}

// The map file of every slot ("" where there is no terrain), without the
// OpenGL texture names of its texture section: two scripts that load the same
// files in one GL context get different names.
std::vector<std::string> savedStates(UndoRing& ring, const TempWorkingDirectory& folder) {
    std::vector<std::string> saved;
    for (Landscape* state : ring.slots) {
        std::string bytes;
        if (state != nullptr && state->sectorCount > 0 && state->save("state.map")) {
            bytes = folder.readFile("state.map");
            for (int i = 0; i < state->textures.count; ++i)
                bytes.replace(52 + 4 + 136 * size_t(i) + 132, 4, 4, '\0');
        }
        saved.push_back(bytes);
    }
    return saved;
}

} // namespace

TEST(SharedStates, SaveAsDeepCopiesDoAndStatesNotTouchedStayAsTheyWere) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    // 3 x 2 sectors of 9 x 9 vertices: a 25 x 17 canvas. Heights and masks
    // change along both x and z.
    writeBmp("h.bmp", 25, 17, [](int x, int y) { return redOnly((x * 37 + y * 91) % 256); });
    writeBmp("rise.bmp", 25, 17, [](int x, int y) { return 0x010101u * uint32_t(x * 9 + y * 3); });
    writeBmp("all.bmp", 25, 17, [](int, int) { return 0xFFFFFF; });
    writeBmp("grass.bmp", 4, 4, [](int, int) { return 0x30A030; });
    writeBmp("sand.bmp", 4, 4, [](int, int) { return 0xD0C080; });
    // clang-format off
    const char* const commands[] = {
        "loadbump\nh.bmp\n0.05\n", "settexture\ngrass.bmp\n", "multvertex\n1\n1.25\n1\n", "finalize\n",
        "setsundir\n0.5\n0.6\n-0.4\n", "sunambient\n0.3\n0.35\n0.4\n", "sunlight\n0.7\n0.6\n0.5\n",
        "traceshadows\n0.5\n0.5\n0.6\n", "startpaint\n", "maptexture\nall.bmp\ngrass.bmp\n0\n",
        "maptexture\nrise.bmp\nsand.bmp\n1\n", "endpaint\n", "normalizetexcoords\n", "undo\n", "undo\n",
        "newmap\n24\n16\n8\n1\n"};
    // clang-format on
    std::mt19937 random(2024);
    for (int trial = 0; trial < 10; ++trial) {
        DirectiveScript shared, deep;
        std::vector<std::string> before;
        for (int step = 0; step < 18; ++step) {
            std::string command = step == 0
                                      ? "newmap\n24\n16\n8\n1\n"
                                      : commands[random() % (sizeof commands / sizeof *commands)];
            SCOPED_TRACE("trial " + std::to_string(trial) + " step " + std::to_string(step) + ": " +
                         command);
            currentLandscape = shared.ring.currentState();
            runScriptText(shared, folder, command);
            // Painting and "setsundir" also act on the maps of the canvas and the lighting block.
            const Landscape* painted = shared.paintCanvas.landscape;
            const Landscape* lit = shared.lightingParams.landscape;
            std::vector<std::string> after = savedStates(shared.ring, folder);
            for (int slot = 0; step > 0 && slot < UndoRing::slotCount; ++slot) {
                const Landscape* state = shared.ring.slots[slot];
                if (slot != shared.ring.current && state != painted && state != lit) {
                    ASSERT_EQ(after[size_t(slot)] == before[size_t(slot)], true) << "slot " << slot;
                }
            }
            before = after;

            currentLandscape = deep.ring.currentState();
            runScriptText(deep, folder, command);
            copyEveryStateApart(deep.ring);
            std::vector<std::string> literal = savedStates(deep.ring, folder);
            ASSERT_EQ(shared.ring.current, deep.ring.current);
            for (int slot = 0; slot < UndoRing::slotCount; ++slot)
                ASSERT_EQ(after[size_t(slot)] == literal[size_t(slot)], true) << "slot " << slot;
        }
        currentLandscape = shared.ring.currentState();
        shared.releaseUndoStates();
        for (int slot = 0; slot < UndoRing::slotCount; ++slot)
            EXPECT_EQ(shared.ring.slots[slot] != nullptr, slot == shared.ring.current);
        EXPECT_EQ(savedStates(shared.ring, folder)[size_t(shared.ring.current)] ==
                      before[size_t(shared.ring.current)],
                  true);
    }
}

// Five states of a 512 x 512 map lit differently hold some 100 MiB of their
// own; the states dropped before the frame loop give it back to the system,
// and the released ring every slab it took. (What the states hold is read from
// the pool: pages earlier tests left resident may be reused without growing the
// process. The ring is measured by the pool too: a checked build keeps freed
// heap memory in quarantine.)
TEST(SharedStates, MemoryTheStatesLetGoOfIsReturned) {
    TempWorkingDirectory folder;
    const size_t pooled = terrainPoolBytes(), used = terrainPoolUsedBytes();
    size_t held = 0;
    long built = 0, dropped = 0;
    {
        DirectiveScript script;
        writeBmp("h.bmp", 513, 513, [](int x, int y) { return redOnly(x * y % 251); });
        runScriptText(script, folder,
                      "newmap\n512\n512\n16\n1\nloadbump\nh.bmp\n0.1\nsunlight\n1\n1\n1\n"
                      "sunlight\n1\n1\n1\nsunlight\n1\n1\n1\nsunlight\n1\n1\n1\n");
        held = terrainPoolUsedBytes() - used;
        built = residentKilobytes() / 1024;
        script.releaseUndoStates();
        dropped = residentKilobytes() / 1024;
    }
    EXPECT_GT(held, size_t(90) << 20);
    EXPECT_LT(dropped, built - 50) << "the four older states' colours";
    EXPECT_LE(terrainPoolBytes(), pooled) << "the released ring";
}
