// The lighting, painting and file directives, run from real script files:
// their undo steps, the maps they act on and their messages. Painting loads textures, so these
// tests open the GL window.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// 2 x 2 sectors of 5 x 5 vertices one unit apart: a 9 x 9 paint canvas whose
// paintable 8 x 8 cells match an 8 x 8 mask.
const char* const tinyMap = "newmap\n8\n8\n4\n1\n";
const char* const paintGrass = "maptexture\ndata\\masks\\all.bmp\ndata\\textures\\grass.bmp\n";

// Cell (c, r) of sector (i, j), first or second face.
SectorFace faceOf(const Landscape* map, int i, int j, int c, int r, int which) {
    const Sector& s = map->sectorAt(i, j);
    return s.face(int32_t(2 * (r * (s.columns - 1) + c) + which));
}

uint32_t textureNameOf(const Landscape* map, const char* path) {
    return map->textures.textureNameAt(map->textures.findByName(path));
}

class LightingDirectives : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow());
        std::filesystem::create_directories("data/dumps");
        writeBmp("data/masks/all.bmp", 8, 8, [](int, int) { return 0xFFFFFF; });
        writeBmp("data/textures/grass.bmp", 4, 4, [](int, int) { return 0x30A030; });
        writeBmp("data/textures/sand.bmp", 4, 4, [](int, int) { return 0xD0C080; });
    }

    std::vector<std::string> run(const std::string& text, int n = 1) {
        return runScriptText(script, folder, text, n);
    }

    TempWorkingDirectory folder;
    DirectiveScript script;
};

TEST_F(LightingDirectives, CommandsThatChangeFacesTakeACopyingUndoStep) {
    run(tinyMap);
    const struct {
        std::string text;
        int move;
    } steps[] = {
        {"setsundir\n3\n0\n4\n", 0},
        {"multsundir\n0.5\n", 0},
        {"sunambient\n0.5\n0.5\n0.5\n", 1},
        {"sunlight\n1\n1\n1\n", 1},
        {"traceshadows\n0.5\n0.5\n0.5\n", 1},
        {"startpaint\n", 1},
        {std::string(paintGrass) + "0\n", 0},
        {"endpaint\n", 0},
        {"save\nlit.map\n", 0},
    };
    for (const auto& step : steps) {
        int slot = script.ring.current;
        const Landscape* before = currentLandscape;
        EXPECT_TRUE(run(step.text).empty()) << step.text;
        EXPECT_EQ(script.ring.current, (slot + step.move) % UndoRing::slotCount) << step.text;
        EXPECT_EQ(currentLandscape->sectorCount, 4) << step.text; // a copy, not a fresh map
        EXPECT_TRUE(step.move == 1 || currentLandscape == before) << step.text;
    }
    // "setsundir" made the direction unit for the block and the maps.
    EXPECT_TRUE(currentLandscape->sunDirection.nearlyEquals(Vector3(0.6f, 0.0f, 0.8f)));
    EXPECT_TRUE(script.lightingParams.sunDirection.nearlyEquals(Vector3(0.3f, 0.0f, 0.4f)));
    EXPECT_EQ(faceOf(currentLandscape, 1, 1, 3, 3, 1).baseTexture,
              int32_t(textureNameOf(currentLandscape, "data\\textures\\grass.bmp")));

    Landscape* saved = currentLandscape;
    EXPECT_TRUE(run("load\ndata\\maps\\none.map\nsave\n\nsave\nno\\such\\x.map\n").empty());
    EXPECT_EQ(currentLandscape->sectorCount, 0) << "a missing file leaves no terrain until undo";
    run("undo\n");
    EXPECT_EQ(currentLandscape, saved);
}

TEST_F(LightingDirectives, EndpaintWritesTheMapOfTheLastStartpaintAcrossScripts) {
    run(std::string(tinyMap) + paintGrass + "0\nendpaint\n"); // no canvas: nothing happens
    EXPECT_EQ(currentLandscape->textures.count, 0);
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    run("startpaint\n", 1);
    Landscape* painted = currentLandscape;
    // A later command moves the ring on; the canvas keeps its map, and the
    // painted map's own table learns the texture so a saved map can name it.
    run("sunlight\n1\n1\n1\n" + std::string(paintGrass) + "0\nendpaint\n", 2);
    ASSERT_NE(currentLandscape, painted);
    const int32_t grass = int32_t(textureNameOf(painted, "data\\textures\\grass.bmp"));
    ASSERT_NE(grass, -1);
    EXPECT_EQ(faceOf(painted, 1, 1, 3, 3, 1).baseTexture, grass);
    EXPECT_EQ(faceOf(currentLandscape, 1, 1, 3, 3, 1).baseTexture, -1);
}

} // namespace
