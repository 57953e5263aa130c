// The terrain and view directives on a small 2 x 2 sector map.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* const newMapRefused = "[Implementor Error] Invalid parameters for newmap";
const char* const bumpMissing = "[Implementor Error] Missing parameters on loadbump";
const char* const bumpInvalid = "[Implementor Error] Invalid parameters on loadbump";

// Red value of pixel (x, y) of the 40 x 40 "slope.bmp".
int slopeRed(int x, int y) {
    return (3 * x + 5 * y) % 256;
}

// Starts every test on smallMap, in ring slot 1, with "slope.bmp" at hand.
class TerrainDirectives : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.writeFile("slope.bmp", makeBmp(40, 40, [](int x, int y) {
                             return redOnly(slopeRed(x, y)) | 0x00FF00;
                         }));
        ASSERT_TRUE(run(smallMap).empty());
        ASSERT_EQ(script.ring.current, 1);
    }

    std::vector<std::string> run(const std::string& text) {
        return runScriptText(script, folder, text);
    }

    TempWorkingDirectory folder;
    DirectiveScript script;
};

} // namespace

TEST_F(TerrainDirectives, NewMapBuildsTheGridWithStepFromResolution) {
    EXPECT_TRUE(run("newmap\n512\n512\n16\n1\n").empty());
    EXPECT_EQ(currentLandscape->sectorsAcross, 32);
    EXPECT_EQ(currentLandscape->sectorsDown, 32);
    EXPECT_EQ(currentLandscape->sectors[0].stepX, 1.0f);
    EXPECT_EQ(currentLandscape->sectors[0].columns, 17);

    run("newmap\n64\n48\n16\n2\n");
    EXPECT_EQ(currentLandscape->sectorsAcross, 4);
    EXPECT_EQ(currentLandscape->sectorsDown, 3);
    EXPECT_EQ(currentLandscape->sectors[0].stepX, 0.5f);
    EXPECT_EQ(currentLandscape->sectors[0].stepZ, 0.5f);
    EXPECT_EQ(currentLandscape->sectors[0].columns, 33);
}

TEST_F(TerrainDirectives, NewMapFinalizesTheNewMap) {
    // A flat face's basis maps its third corner to (0, 1, 0): only true once
    // finalize has inverted the face's edge matrix (it starts as identity).
    const Sector& sector = currentLandscape->sectors[3];
    const SectorFace& face = sector.faces[0];
    Vector3 e2 = sector.positions[face.vertex[2]].minus(sector.positions[face.vertex[0]]);
    Vector3 st = face.basisInverse.transform(e2);
    EXPECT_NEAR(st.x, 0.0f, 1e-6);
    EXPECT_NEAR(st.y, 1.0f, 1e-6);
    EXPECT_NEAR(st.z, 0.0f, 1e-6);
    EXPECT_FALSE(face.basisInverse.m[4] == 1.0f && face.basisInverse.m[8] == 1.0f);
}

TEST_F(TerrainDirectives, NewMapTakesAFreshSlotThatKeepsTheView) {
    Vector3 eye(200, 70, 200), angles(0, 135, 0);
    currentLandscape->cameraPosition = &eye;
    currentLandscape->cameraAngles = &angles;
    currentLandscape->cullRadius = 51.0f;
    run("multvertex\n2\n1\n2\n" + std::string(smallMap));
    EXPECT_EQ(script.ring.current, 3);
    EXPECT_EQ(currentLandscape, script.ring.slots[3]);
    EXPECT_EQ(currentLandscape->sectorSizeX, 16.0f); // not the scaled copy
    EXPECT_EQ(currentLandscape->cameraPosition, &eye);
    EXPECT_EQ(currentLandscape->cameraAngles, &angles);
    EXPECT_EQ(currentLandscape->cullRadius, 51.0f);
}

TEST_F(TerrainDirectives, BadArgumentsAreReportedWithoutAStep) {
    struct Case {
        std::string text;
        const char* message;
        int badLines; // argument lines left over, read as directives
    } cases[] = {
        {"newmap\n0\n32\n16\n1\n", newMapRefused, 0},
        {"newmap\n32\n0\n16\n1\n", newMapRefused, 0},
        {"newmap\n32\n32\n0\n1\n", newMapRefused, 0},
        {"newmap\n32\n32\n16\n0\n", newMapRefused, 0},
        {"newmap\n-32\n32\n16\n1\n", newMapRefused, 0},
        {"newmap\n32\n32\n-16\n1\n", newMapRefused, 0},
        {"newmap\n32\n32\n16\n-1\n", newMapRefused, 0},
        {"newmap\n1000000\n1000000\n16\n1\n", newMapRefused, 0},
        {"newmap\n64\n64\n32\n100000\n", newMapRefused, 0},
        {"newmap\n2147483647\n2147483647\n1\n1\n", newMapRefused, 0},
        {"newmap\nwide\ndeep\nbig\nfine\n", newMapRefused, 0},
        {"loadbump\n", bumpMissing, 0},
        {"loadbump", bumpMissing, 0},
        {"loadbump\nslope.bmp\n", bumpMissing, 0},
        {"loadbump\nslope.bmp\n0\n", bumpInvalid, 0},
        {"loadbump\nslope.bmp\n0.0\n", bumpInvalid, 0},
        {"loadbump\nslope.bmp\nhigh\n", bumpInvalid, 0},
        {"loadbump\nslope.bmp\n\n", bumpInvalid, 0},
        {"loadbump\nslope.bmp\n-0\n", bumpInvalid, 0},
        // The name is read up to 255 characters; the 45 beyond are read as
        // the scale (not a number) and the real scale line is left over.
        {"loadbump\n" + std::string(300, 'n') + "\n0.5\n", bumpInvalid, 1},
        {"settexture\n", "[Implementor Error] Invalid parameter in settexture", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        auto messages = run(c.text);
        EXPECT_EQ(countOf(messages, c.message), 1);
        EXPECT_EQ(countOf(messages, badDirective), c.badLines);
        EXPECT_EQ(messages.size(), size_t(1 + c.badLines));
        EXPECT_EQ(script.ring.current, 1);
        EXPECT_EQ(script.ring.newest, 1);
        EXPECT_EQ(currentLandscape->sectorCount, 4);
    }
}

TEST_F(TerrainDirectives, LoadBumpHeightsFollowTheRedChannelTimesTheScaleInACopy) {
    // The scale may be on a last line without a break, and may dig down.
    struct Case {
        const char* text;
        float scale;
    } cases[] = {{"loadbump\nslope.bmp\n0.5\n", 0.5f},
                 {"loadbump\nslope.bmp\n2", 2.0f},
                 {"loadbump\nslope.bmp\n-1\n", -1.0f}};
    int slot = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(run(c.text).empty());
        slot = (slot + 1) % UndoRing::slotCount;
        EXPECT_EQ(script.ring.current, slot);
        // One vertex per pixel: every vertex takes exactly its pixel's height.
        for (int j = 0; j < 2; j++)
            for (int i = 0; i < 2; i++)
                for (int r = 0; r <= 16; r += 4)
                    for (int c2 = 0; c2 <= 16; c2 += 4)
                        ASSERT_EQ(vertexHeight(i, j, c2, r),
                                  float(slopeRed(i * 16 + c2, j * 16 + r)) * c.scale);
    }
    // The state before the first import is still flat.
    EXPECT_EQ(script.ring.slots[1]->sectors[3].maxY, 0.0f);
}

TEST_F(TerrainDirectives, LoadBumpDoesNotFinalize) {
    run("loadbump\nslope.bmp\n1\n");
    EXPECT_EQ(currentLandscape->sectors[0].normals[5 * 17 + 5].y, 1.0f);
    run("finalize\n");
    EXPECT_LT(currentLandscape->sectors[0].normals[5 * 17 + 5].y, 0.9f);
    EXPECT_EQ(script.ring.current, 2); // finalize takes no step
}

TEST_F(TerrainDirectives, LoadBumpOfAnUnreadableImageLeavesTheCopyUnchanged) {
    folder.writeFile("garbage.bmp", "BM this is not an image at all");
    for (const char* name : {"nowhere.bmp", "garbage.bmp", ""}) {
        SCOPED_TRACE(name);
        int before = script.ring.current;
        EXPECT_TRUE(run(std::string("loadbump\n") + name + "\n0.5\n").empty());
        EXPECT_EQ(script.ring.current, (before + 1) % UndoRing::slotCount);
        EXPECT_EQ(currentLandscape->sectorCount, 4);
        EXPECT_EQ(currentLandscape->sectors[3].maxY, 0.0f);
    }
}

TEST_F(TerrainDirectives, LoadBumpReadsAnImageSmallerThanTheMapWithinItsBounds) {
    folder.writeFile("tiny.bmp", makeBmp(3, 2, [](int x, int y) { return redOnly(10 * (x + y)); }));
    EXPECT_TRUE(run("loadbump\ntiny.bmp\n1\nfinalize\n").empty());
    for (const Sector& sector : currentLandscape->sectors) {
        EXPECT_GE(sector.minY, 0.0f - 5.0f);
        EXPECT_LE(sector.maxY, 30.0f + 5.0f);
    }
}

TEST_F(TerrainDirectives, MultVertexScalesEveryVertexAndTheSectorSizeInACopy) {
    run("loadbump\nslope.bmp\n1\n");
    float before = vertexHeight(1, 1, 3, 4);
    EXPECT_TRUE(run("multvertex\n2\n3\n0.5\n").empty());
    EXPECT_EQ(script.ring.current, 3);
    EXPECT_EQ(currentLandscape->sectorSizeX, 32.0f);
    EXPECT_EQ(currentLandscape->sectorSizeZ, 8.0f);
    const Sector& sector = currentLandscape->sectorAt(1, 1);
    Vector3 p = sector.positions[4 * 17 + 3];
    EXPECT_EQ(p.x, 19.0f * 2.0f);
    EXPECT_EQ(p.y, before * 3.0f);
    EXPECT_EQ(p.z, 20.0f * 0.5f);
    EXPECT_EQ(sector.stepX, 2.0f);
    // "undo" steps back through the directives.
    run("undo\n");
    EXPECT_EQ(currentLandscape->sectorSizeX, 16.0f);
    EXPECT_EQ(vertexHeight(1, 1, 3, 4), before);
    run("undo\nundo\n");
    EXPECT_EQ(currentLandscape->sectorCount, 0);
}

TEST_F(TerrainDirectives, NormalizeTexCoordsFollowsTheScaledPositions) {
    run("multvertex\n2\n1\n2\n");
    EXPECT_EQ(currentLandscape->sectorAt(1, 1).texCoords[16].x, 32.0f);
    EXPECT_TRUE(run("normalizetexcoords\n").empty());
    EXPECT_EQ(script.ring.current, 3);
    const Sector& sector = currentLandscape->sectorAt(1, 1);
    EXPECT_EQ(sector.texCoords[16].x, 64.0f);
    EXPECT_EQ(sector.overlayTexCoords[16].x, 64.0f);
    EXPECT_EQ(sector.texCoords[16].y, 32.0f);
    EXPECT_EQ(script.ring.slots[2]->sectorAt(1, 1).texCoords[16].x, 32.0f);
}

TEST_F(TerrainDirectives, ResetPosMovesWhateverTheViewIsBoundTo) {
    EXPECT_TRUE(run("resetpos\n").empty()); // nothing bound yet
    Vector3 eye(200, 70, 200), angles(10, 20, 30);
    currentLandscape->cameraPosition = &eye;
    currentLandscape->cameraAngles = &angles;
    run("resetpos\n");
    EXPECT_EQ(eye.x, 0.0f);
    EXPECT_EQ(eye.y, 0.0f);
    EXPECT_EQ(eye.z, 0.0f);
    EXPECT_EQ(angles.x, 0.0f);
    EXPECT_EQ(angles.y, 135.0f);
    EXPECT_EQ(angles.z, 0.0f);
    EXPECT_EQ(script.ring.current, 1);
}

TEST_F(TerrainDirectives, ViewDistanceAndFogColourGoToTheCurrentLandscape) {
    openTestWindow();
    EXPECT_TRUE(run("setviewdist\n40\n5\nsetfogcolor\n0.5\n0.7\n1.0\n").empty());
    EXPECT_EQ(currentLandscape->fogEnd, 40.0f);
    EXPECT_EQ(currentLandscape->fogDepth, 5.0f);
    EXPECT_NEAR(currentLandscape->cullRadius, 40.0f + std::sqrt(128.0f), 1e-4);
    EXPECT_EQ(currentLandscape->fogColour.x, 0.5f);
    EXPECT_EQ(currentLandscape->fogColour.y, 0.7f);
    EXPECT_EQ(currentLandscape->fogColour.z, 1.0f);
    EXPECT_EQ(script.ring.current, 1);

    run("setviewdist\n60\n-1\n");
    EXPECT_EQ(currentLandscape->fogEnd, 60.0f);
    EXPECT_EQ(currentLandscape->fogDepth, 60.0f);
}

TEST_F(TerrainDirectives, SetTextureGivesEveryFaceTheTextureInACopy) {
    ASSERT_TRUE(openTestWindow());
    folder.writeFile("data\\textures\\grass.bmp", makeBmp(8, 8, [](int x, int y) {
                         return ((x + y) % 2) ? 0x20A020 : 0x108010;
                     }));
    // The name may stand on a last line without a break.
    EXPECT_TRUE(run("settexture\ndata\\textures\\grass.bmp").empty());
    EXPECT_EQ(script.ring.current, 2);
    const TextureTable& table = currentLandscape->textures;
    int index = table.findByName("data\\textures\\grass.bmp");
    ASSERT_GE(index, 0);
    int32_t name = int32_t(table.entries[index].textureName);
    EXPECT_NE(name, -1);
    for (const Sector& sector : currentLandscape->sectors) {
        for (int f = 0; f < sector.faceCount; f++)
            ASSERT_EQ(sector.faces[f].baseTexture, name);
        EXPECT_EQ(sector.faces[0].overlayTexture, -1);
    }
    EXPECT_EQ(script.ring.slots[1]->sectors[0].faces[0].baseTexture, -1);
    EXPECT_EQ(script.ring.slots[1]->textures.count, 0);
}

TEST(NewMapSize, RefusesOnlyCountsBeyondThirtyTwoBitsOrAnUndoRingBeyondTheMachine) {
    // One Landscape of "newmap 1024 1024 16 2" holds about 1.4 GB, its undo
    // ring of five about 7 GB; maps beyond 4,194,304 vertices are valid.
    const uint64_t gigabyte = uint64_t(1) << 30;
    using Size = DirectiveScript::NewMapSize;
    struct Case {
        int width, depth, sectorSize, resolution;
        uint64_t machine;
        Size expected;
    } cases[] = {
        {512, 512, 16, 4, 32 * gigabyte, Size::accepted},
        {1024, 1024, 16, 2, 32 * gigabyte, Size::accepted},
        {1024, 1024, 16, 2, 4 * gigabyte, Size::tooLarge},
        {1024, 1024, 16, 2, 0, Size::accepted}, // memory unknown: the allocation decides
        {65536, 65536, 16, 16, 32 * gigabyte, Size::tooLarge},
        {8, 8, 16, 1, 1, Size::accepted}, // no sector at all
        {2147483647, 2147483647, 1, 1, 0, Size::invalid},
        {64, 64, 32, 100000, 0, Size::invalid},
        {64, 64, 16, 0, 32 * gigabyte, Size::invalid},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            DirectiveScript::newMapSize(c.width, c.depth, c.sectorSize, c.resolution, c.machine),
            c.expected)
            << c.width << " " << c.depth << " " << c.sectorSize << " " << c.resolution << " on "
            << c.machine / gigabyte << " GB";
    }
}
