// The lighting and painting directives, run from real script files on small
// flat maps: what each command does to the faces, the order effects between
// them, their undo steps and their messages. Painting loads textures, so the
// tests open the GL window (run under Xvfb).

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

namespace {

const char* const layerRefused = "[Implementor Error] Invalid layer in maptexture";
// 2 x 2 sectors of 5 x 5 vertices one unit apart: a 9 x 9 paint canvas whose
// paintable 8 x 8 cells match an 8 x 8 mask.
const char* const tinyMap = "newmap\n8\n8\n4\n1\n";

// Every corner (face, corner index) of a sector that uses vertex (column, row).
std::vector<std::pair<const SectorFace*, int>> cornersOf(const Sector& sector, int column,
                                                         int row) {
    std::vector<std::pair<const SectorFace*, int>> corners;
    const uint32_t v = uint32_t(row * sector.columns + column);
    for (const SectorFace& face : sector.faces)
        for (int k = 0; k < 3; k++)
            if (face.vertex[k] == v)
                corners.push_back({&face, k});
    return corners;
}

void expectVector(const Vector3& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.x, x, 1e-5);
    EXPECT_NEAR(actual.y, y, 1e-5);
    EXPECT_NEAR(actual.z, z, 1e-5);
}

void expectEveryCorner(const Landscape* map, float r, float g, float b) {
    for (const Sector& sector : map->sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; k++) {
                ASSERT_NEAR(face.colour[k].x, r, 1e-5);
                ASSERT_NEAR(face.colour[k].y, g, 1e-5);
                ASSERT_NEAR(face.colour[k].z, b, 1e-5);
                ASSERT_NEAR(face.overlayColour[k].r, r, 1e-5);
                ASSERT_NEAR(face.overlayColour[k].g, g, 1e-5);
                ASSERT_NEAR(face.overlayColour[k].b, b, 1e-5);
            }
}

// Cell (c, r) of sector (i, j), first or second face.
const SectorFace& faceOf(const Landscape* map, int i, int j, int c, int r, int which) {
    const Sector& s = map->sectorAt(i, j);
    return s.faces[size_t(2) * (size_t(r) * (s.columns - 1) + c) + which];
}

uint32_t textureNameOf(const Landscape* map, const char* path) {
    return map->textures.textureNameAt(map->textures.findByName(path));
}

class LightingDirectives : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow()) << "painting uploads textures: run under Xvfb";
        std::filesystem::create_directories("data/dumps");
        folder.writeFile("data\\masks\\all.bmp", makeBmp(8, 8, [](int, int) { return 0xFFFFFF; }));
        folder.writeFile("data\\masks\\left.bmp", makeBmp(8, 8, [](int x, int) {
                             return x < 4 ? 0xFF0000u : 0x00FFFFu; // red only on the left
                         }));
        folder.writeFile("data\\textures\\grass.bmp",
                         makeBmp(4, 4, [](int, int) { return 0x30A030; }));
        folder.writeFile("data\\textures\\sand.bmp",
                         makeBmp(4, 4, [](int, int) { return 0xD0C080; }));
    }

    std::vector<std::string> run(const std::string& text, int n = 1) {
        return runScriptText(script, folder, text, n);
    }

    TempWorkingDirectory folder;
    DirectiveScript script;
};

const char* const paintGrassUnderSand = "startpaint\n"
                                        "maptexture\ndata\\masks\\all.bmp\n"
                                        "data\\textures\\grass.bmp\n0\n"
                                        "maptexture\ndata\\masks\\left.bmp\n"
                                        "data\\textures\\sand.bmp\n1\n"
                                        "endpaint\n";

// ---------------------------------------------------------------------------
// Sun direction

TEST_F(LightingDirectives, SetSunDirNormalizesIntoTheBlockTheCurrentAndTheLastLitMap) {
    run("setsundir\nnorth\n0\n\n");
    expectVector(script.lightingParams.sunDirection, 0, 1, 0); // zero points straight up
    expectVector(currentLandscape->sunDirection, 0, 1, 0);
    run(std::string(tinyMap) + "sunambient\n0.5\n0.5\n0.5\nundo\n");
    Landscape* lit = script.lightingParams.landscape;
    ASSERT_NE(lit, currentLandscape);
    int slot = script.ring.current;
    EXPECT_TRUE(run("setsundir\n3\n0\n4\n").empty());
    expectVector(script.lightingParams.sunDirection, 0.6f, 0.0f, 0.8f);
    expectVector(currentLandscape->sunDirection, 0.6f, 0.0f, 0.8f);
    expectVector(lit->sunDirection, 0.6f, 0.0f, 0.8f);
    EXPECT_EQ(script.ring.current, slot);
}

TEST_F(LightingDirectives, MultSunDirScalesOnlyTheBlockAndStrengthensTheSun) {
    run(tinyMap);
    run("setsundir\n0\n1\n0\nmultsundir\n2\n");
    expectVector(currentLandscape->sunDirection, 0, 1, 0);
    expectVector(script.lightingParams.sunDirection, 0, 2, 0);
    // Flat ground: s = 0.5 * (1 + 2) = 1.5 on top of the ambient 0.5.
    run("sunambient\n0.5\n0.5\n0.5\nsunlight\n1\n1\n1\n");
    expectEveryCorner(currentLandscape, 2.0f, 2.0f, 2.0f);
}

// ---------------------------------------------------------------------------
// Ambient, sun and shadows

TEST_F(LightingDirectives, SunAmbientSetsEveryCornerAndClearsPaintedCoverage) {
    run(std::string(tinyMap) + paintGrassUnderSand);
    ASSERT_FLOAT_EQ(faceOf(currentLandscape, 0, 0, 0, 0, 0).overlayColour[0].a, 0.5f);
    EXPECT_EQ(faceOf(currentLandscape, 1, 0, 0, 0, 0).overlayTexture, -1); // right half
    EXPECT_TRUE(std::filesystem::exists("data/dumps/facit.bmp"));
    run("sunambient\n0.2\n0.3\n0.4\n");
    expectVector(script.lightingParams.ambientColour, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(script.lightingParams.landscape, currentLandscape);
    expectEveryCorner(currentLandscape, 0.2f, 0.3f, 0.4f);
    for (const Sector& sector : currentLandscape->sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; k++)
                ASSERT_EQ(face.overlayColour[k].a, 0.0f);
    // The painted state is one undo step back, unchanged.
    run("undo\n");
    EXPECT_FLOAT_EQ(faceOf(currentLandscape, 0, 0, 0, 0, 0).overlayColour[0].a, 0.5f);
}

TEST_F(LightingDirectives, SunlightAddsKeepsCoverageAndTakesItsOwnUndoStep) {
    run(std::string(tinyMap) + "setsundir\n0\n1\n0\nsunambient\n0.5\n0.5\n0.5\n" +
        paintGrassUnderSand);
    int slot = script.ring.current;
    run("sunlight\n1\n0.5\n0\n");
    expectVector(script.lightingParams.sunColour, 1.0f, 0.5f, 0.0f);
    expectEveryCorner(currentLandscape, 1.5f, 1.0f, 0.5f);
    EXPECT_FLOAT_EQ(faceOf(currentLandscape, 0, 0, 1, 1, 0).overlayColour[2].a, 0.5f);
    run("sunlight\n1\n1\n1\n");
    EXPECT_EQ(script.ring.current, (slot + 2) % UndoRing::slotCount);
    expectEveryCorner(currentLandscape, 2.5f, 2.0f, 1.5f);
    run("undo\n");
    expectEveryCorner(currentLandscape, 1.5f, 1.0f, 0.5f);
}

TEST_F(LightingDirectives, SunlightUsesNormalsOfTheTerrainAsItIsNow) {
    run(tinyMap);
    // Raise the map into a slope y = x without finalizing: the stored normals
    // still point straight up until "sunlight" brings them up to date.
    for (Sector& sector : currentLandscape->sectors)
        for (Vector3& p : sector.positions)
            p.y = p.x;
    run("setsundir\n1\n0\n0\nsunambient\n0\n0\n0\nsunlight\n1\n1\n1\n");
    // Inside a sector the normal is normalize(-1, 1, 0): s = 0.5 * (1 - 0.7071).
    const float s = 0.5f * (1.0f - 0.70710678f);
    for (auto corner : cornersOf(currentLandscape->sectors[0], 2, 2))
        expectVector(corner.first->colour[corner.second], s, s, s);
}

TEST_F(LightingDirectives, TraceShadowsMultipliesShadowedCornersAndKeepsCoverage) {
    // A low sun from +x (tilted a little in z, so the ground ray crosses cells
    // instead of running along grid lines): the western border, traced 100
    // units down, looks up through the lowered eastern border and is shadowed;
    // the inner ground is not.
    run(std::string(tinyMap) + "setsundir\n1\n0.5\n0.25\nsunambient\n0.5\n0.5\n0.5\n" +
        "sunlight\n1\n1\n1\n" + paintGrassUnderSand);
    const Landscape* before = currentLandscape;
    int slot = script.ring.current;
    EXPECT_TRUE(run("traceshadows\n0.5\n0.25\n1\n").empty());
    const Landscape* after = currentLandscape;
    EXPECT_EQ(script.ring.current, (slot + 1) % UndoRing::slotCount);
    ASSERT_NE(before, after);
    expectVector(script.lightingParams.shadowColour, 0.5f, 0.25f, 1.0f);

    auto darkened = cornersOf(after->sectors[0], 0, 2);
    auto original = cornersOf(before->sectors[0], 0, 2);
    ASSERT_EQ(darkened.size(), original.size());
    ASSERT_FALSE(darkened.empty());
    for (size_t n = 0; n < darkened.size(); n++) {
        const Vector3& was = original[n].first->colour[original[n].second];
        const Vector3& now = darkened[n].first->colour[darkened[n].second];
        expectVector(now, was.x * 0.5f, was.y * 0.25f, was.z * 1.0f);
    }
    auto inner = cornersOf(after->sectors[0], 2, 2);
    auto innerBefore = cornersOf(before->sectors[0], 2, 2);
    for (size_t n = 0; n < inner.size(); n++)
        EXPECT_EQ(inner[n].first->colour[inner[n].second].x,
                  innerBefore[n].first->colour[innerBefore[n].second].x);
    // Coverage and heights are as they were.
    for (size_t s = 0; s < after->sectors.size(); s++) {
        for (size_t f = 0; f < after->sectors[s].faces.size(); f++)
            for (int k = 0; k < 3; k++)
                ASSERT_EQ(after->sectors[s].faces[f].overlayColour[k].a,
                          before->sectors[s].faces[f].overlayColour[k].a);
        for (size_t v = 0; v < after->sectors[s].positions.size(); v++)
            ASSERT_FLOAT_EQ(after->sectors[s].positions[v].y, 0.0f);
    }
}

// ---------------------------------------------------------------------------
// Undo steps

TEST_F(LightingDirectives, CommandsThatChangeFacesTakeACopyingUndoStep) {
    run(tinyMap);
    struct Step {
        const char* text;
        int move;
    } steps[] = {
        {"setsundir\n1\n1\n0\n", 0},
        {"multsundir\n0.5\n", 0},
        {"sunambient\n0.5\n0.5\n0.5\n", 1},
        {"sunlight\n1\n1\n1\n", 1},
        {"traceshadows\n0.5\n0.5\n0.5\n", 1},
        {"startpaint\n", 1},
        {"maptexture\ndata\\masks\\all.bmp\ndata\\textures\\grass.bmp\n0\n", 0},
        {"endpaint\n", 0},
    };
    for (const Step& step : steps) {
        int slot = script.ring.current;
        const Landscape* before = currentLandscape;
        EXPECT_TRUE(run(step.text).empty()) << step.text;
        EXPECT_EQ(script.ring.current, (slot + step.move) % UndoRing::slotCount) << step.text;
        EXPECT_EQ(currentLandscape->sectorCount, 4) << step.text; // a copy, not a fresh map
        if (step.move == 0) {
            EXPECT_EQ(currentLandscape, before) << step.text;
        }
    }
}

// ---------------------------------------------------------------------------
// Painting

TEST_F(LightingDirectives, OnlyLayersZeroAndOneAreTakenByTheirFirstCharacter) {
    run(std::string(tinyMap) + "startpaint\n");
    for (const char* layer : {"2", "9", "x", "", " 1", "-1"}) {
        auto messages = run(std::string("maptexture\ndata\\masks\\all.bmp\n"
                                        "data\\textures\\grass.bmp\n") +
                            layer + "\n");
        ASSERT_EQ(messages.size(), 1u) << "layer '" << layer << "'";
        EXPECT_EQ(messages[0], layerRefused);
    }
    for (int i = 0; i < script.paintCanvas.cellCount; i++) {
        ASSERT_EQ(script.paintCanvas.cells[i].texture[0], PaintCell::noTexture);
        ASSERT_EQ(script.paintCanvas.cells[i].texture[1], PaintCell::noTexture);
    }
    EXPECT_EQ(currentLandscape->textures.findByName("data\\textures\\grass.bmp"), -1);

    EXPECT_TRUE(run("maptexture\ndata\\masks\\all.bmp\n"
                    "data\\textures\\sand.bmp\n1 (overlay)\nendpaint\n")
                    .empty());
    const uint32_t sand = textureNameOf(currentLandscape, "data\\textures\\sand.bmp");
    EXPECT_EQ(script.paintCanvas.cellAt(0, 0).texture[1], sand);
    EXPECT_EQ(script.paintCanvas.cellAt(0, 0).texture[0], PaintCell::noTexture);
    EXPECT_EQ(faceOf(currentLandscape, 0, 0, 0, 0, 0).overlayTexture, int32_t(sand));
}

TEST_F(LightingDirectives, PaintingWithoutStartpaintDoesNothing) {
    run(tinyMap);
    int slot = script.ring.current;
    EXPECT_TRUE(run("maptexture\ndata\\masks\\all.bmp\ndata\\textures\\grass.bmp\n0\n"
                    "endpaint\n")
                    .empty());
    EXPECT_EQ(script.ring.current, slot);
    EXPECT_EQ(currentLandscape->textures.count, 0);
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    for (const Sector& sector : currentLandscape->sectors)
        for (const SectorFace& face : sector.faces)
            ASSERT_EQ(face.baseTexture, -1);
}

TEST_F(LightingDirectives, EndpaintWritesTheMapOfTheLastStartpaintAcrossScripts) {
    run(std::string(tinyMap) + "startpaint\n", 1);
    Landscape* painted = currentLandscape;
    // A later command moves the ring on; the canvas keeps its map, and the
    // painted map's own table learns the texture so a saved map can name it.
    run("sunlight\n1\n1\n1\n"
        "maptexture\ndata\\masks\\all.bmp\ndata\\textures\\grass.bmp\n0\n"
        "endpaint\n",
        2);
    ASSERT_NE(currentLandscape, painted);
    const int32_t grass = int32_t(textureNameOf(painted, "data\\textures\\grass.bmp"));
    ASSERT_NE(grass, -1);
    EXPECT_EQ(faceOf(painted, 1, 1, 3, 3, 1).baseTexture, grass);
    EXPECT_EQ(faceOf(currentLandscape, 1, 1, 3, 3, 1).baseTexture, -1);
}

} // namespace
