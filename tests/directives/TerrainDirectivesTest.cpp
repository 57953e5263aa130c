// The terrain and view directives on small maps.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <cmath>

static const char* const newMapRefused = "[Implementor Error] Invalid parameters for newmap";
static const char* const bumpMissing = "[Implementor Error] Missing parameters on loadbump";
static const char* const bumpInvalid = "[Implementor Error] Invalid parameters on loadbump";

// A 40 x 40 height image whose red value at pixel (x, y) is (3x + 5y) mod 256.
static uint32_t slopeColour(int x, int y) {
    return redOnly((3 * x + 5 * y) % 256) | 0x00FF00;
}

TEST(NewMapDirective, BuildsTheGridWithStepFromResolution) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    auto messages = runScriptText(script, folder, "newmap\n512\n512\n16\n1\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectorsAcross, 32);
    EXPECT_EQ(currentLandscape->sectorsDown, 32);
    EXPECT_EQ(currentLandscape->sectors[0].stepX, 1.0f);
    EXPECT_EQ(currentLandscape->sectors[0].columns, 17);

    runScriptText(script, folder, "newmap\n64\n48\n16\n2\n");
    EXPECT_EQ(currentLandscape->sectorsAcross, 4);
    EXPECT_EQ(currentLandscape->sectorsDown, 3);
    EXPECT_EQ(currentLandscape->sectors[0].stepX, 0.5f);
    EXPECT_EQ(currentLandscape->sectors[0].stepZ, 0.5f);
    EXPECT_EQ(currentLandscape->sectors[0].columns, 33);
}

TEST(NewMapDirective, FinalizesTheNewMap) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    // A flat face's basis maps its second corner to (1, 0, 0): only true once
    // finalize has inverted the face's edge matrix (it starts as identity).
    const Sector& sector = currentLandscape->sectors[3];
    const SectorFace& face = sector.faces[0];
    Vector3 p0 = sector.positions[face.vertex[0]];
    Vector3 e2 = sector.positions[face.vertex[2]].minus(p0);
    Vector3 st = face.basisInverse.transform(e2);
    EXPECT_NEAR(st.x, 0.0f, 1e-6);
    EXPECT_NEAR(st.y, 1.0f, 1e-6);
    EXPECT_NEAR(st.z, 0.0f, 1e-6);
    EXPECT_FALSE(face.basisInverse.m[4] == 1.0f && face.basisInverse.m[8] == 1.0f);
}

TEST(NewMapDirective, TakesAFreshSlotThatKeepsTheView) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    Vector3 eye(200, 70, 200), angles(0, 135, 0);
    currentLandscape->cameraPosition = &eye;
    currentLandscape->cameraAngles = &angles;
    currentLandscape->cullRadius = 51.0f;
    runScriptText(script, folder, smallMap);
    EXPECT_EQ(script.ring.current, 1);
    EXPECT_EQ(currentLandscape, script.ring.slots[1]);
    EXPECT_EQ(currentLandscape->cameraPosition, &eye);
    EXPECT_EQ(currentLandscape->cameraAngles, &angles);
    EXPECT_EQ(currentLandscape->cullRadius, 51.0f);
}

TEST(NewMapDirective, RefusesZeroNegativeAndAbsurdSizesWithoutMovingTheRing) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    const char* refused[] = {
        "newmap\n0\n32\n16\n1\n",          "newmap\n32\n0\n16\n1\n",
        "newmap\n32\n32\n0\n1\n",          "newmap\n32\n32\n16\n0\n",
        "newmap\n-32\n32\n16\n1\n",        "newmap\n32\n32\n-16\n1\n",
        "newmap\n32\n32\n16\n-1\n",        "newmap\n1000000\n1000000\n16\n1\n",
        "newmap\n64\n64\n32\n100000\n",    "newmap\n2147483647\n2147483647\n1\n1\n",
        "newmap\nwide\ndeep\nbig\nfine\n",
    };
    for (const char* text : refused) {
        auto messages = runScriptText(script, folder, text);
        EXPECT_EQ(countOf(messages, newMapRefused), 1) << text;
        EXPECT_EQ(script.ring.current, 1) << text;
        EXPECT_EQ(script.ring.newest, 1) << text;
        EXPECT_EQ(currentLandscape->sectorCount, 4) << text;
    }
}

TEST(LoadBumpDirective, HeightsFollowTheRedChannelTimesTheScale) {
    TempWorkingDirectory folder;
    folder.writeFile("data\\maps\\slope.bmp", makeBmp(40, 40, slopeColour));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "loadbump\ndata\\maps\\slope.bmp\n0.5\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(script.ring.current, 2); // a copy step
    // One vertex per pixel: every vertex takes exactly its pixel's height.
    for (int j = 0; j < 2; j++) {
        for (int i = 0; i < 2; i++) {
            for (int r = 0; r <= 16; r += 4) {
                for (int c = 0; c <= 16; c += 4) {
                    int x = i * 16 + c, z = j * 16 + r;
                    EXPECT_EQ(vertexHeight(i, j, c, r), float((3 * x + 5 * z) % 256) * 0.5f);
                }
            }
        }
    }
    // The state before the import is still flat.
    EXPECT_EQ(script.ring.slots[1]->sectors[3].maxY, 0.0f);
    EXPECT_GT(currentLandscape->sectors[3].maxY, 0.0f);
}

TEST(LoadBumpDirective, NegativeScaleDigsDown) {
    TempWorkingDirectory folder;
    folder.writeFile("white.bmp", makeBmp(33, 33, [](int, int) { return redOnly(255); }));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "loadbump\nwhite.bmp\n-1\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectors[0].minY, -255.0f);
    EXPECT_EQ(currentLandscape->sectors[0].maxY, -255.0f);
}

TEST(LoadBumpDirective, DoesNotFinalize) {
    TempWorkingDirectory folder;
    folder.writeFile("slope.bmp", makeBmp(40, 40, slopeColour));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    runScriptText(script, folder, "loadbump\nslope.bmp\n1\n");
    Vector3 normal = currentLandscape->sectors[0].normals[5 * 17 + 5];
    EXPECT_EQ(normal.y, 1.0f);
    runScriptText(script, folder, "finalize\n");
    normal = currentLandscape->sectors[0].normals[5 * 17 + 5];
    EXPECT_LT(normal.y, 0.9f);
    EXPECT_EQ(script.ring.current, 2); // finalize takes no step
}

TEST(LoadBumpDirective, MissingArgumentsAreReportedWithoutAStep) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "loadbump\n");
    EXPECT_EQ(countOf(messages, bumpMissing), 1);
    messages = runScriptText(script, folder, "loadbump");
    EXPECT_EQ(countOf(messages, bumpMissing), 1);
    messages = runScriptText(script, folder, "loadbump\nslope.bmp\n");
    EXPECT_EQ(countOf(messages, bumpMissing), 1);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(script.ring.current, 1);
    EXPECT_EQ(script.ring.newest, 1);
}

TEST(LoadBumpDirective, ZeroOrNonNumericScaleIsInvalid) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    for (const char* scale : {"0", "0.0", "high", "", "-0"}) {
        auto messages =
            runScriptText(script, folder, std::string("loadbump\nslope.bmp\n") + scale + "\n");
        EXPECT_EQ(countOf(messages, bumpInvalid), 1) << scale;
        EXPECT_EQ(script.ring.current, 1) << scale;
    }
}

TEST(LoadBumpDirective, ScaleOnALastLineWithoutBreakIsPresent) {
    TempWorkingDirectory folder;
    folder.writeFile("slope.bmp", makeBmp(40, 40, slopeColour));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "loadbump\nslope.bmp\n2");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(vertexHeight(1, 1, 2, 3), float((3 * 18 + 5 * 19) % 256) * 2.0f);
}

TEST(LoadBumpDirective, UnreadableImageLeavesTheCopyUnchanged) {
    TempWorkingDirectory folder;
    folder.writeFile("garbage.bmp", "BM this is not an image at all");
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    for (const char* name : {"nowhere.bmp", "garbage.bmp", ""}) {
        int before = script.ring.current;
        auto messages = runScriptText(script, folder, std::string("loadbump\n") + name + "\n0.5\n");
        EXPECT_TRUE(messages.empty()) << name;
        EXPECT_EQ(script.ring.current, (before + 1) % 5) << name;
        EXPECT_EQ(currentLandscape->sectorCount, 4);
        EXPECT_EQ(currentLandscape->sectors[3].maxY, 0.0f) << name;
    }
}

TEST(LoadBumpDirective, ImageSmallerThanTheMapIsReadWithinItsBounds) {
    TempWorkingDirectory folder;
    folder.writeFile("tiny.bmp", makeBmp(3, 2, [](int x, int y) { return redOnly(10 * (x + y)); }));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "loadbump\ntiny.bmp\n1\nfinalize\n");
    EXPECT_TRUE(messages.empty());
    for (const Sector& sector : currentLandscape->sectors) {
        EXPECT_GE(sector.minY, 0.0f - 5.0f);
        EXPECT_LE(sector.maxY, 30.0f + 5.0f);
    }
}

TEST(LoadBumpDirective, NameIsReadUpTo255Characters) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    // The 45 characters beyond 255 are read as the scale line: not a number.
    std::string text = "loadbump\n" + std::string(300, 'n') + "\n0.5\n";
    auto messages = runScriptText(script, folder, text);
    EXPECT_EQ(countOf(messages, bumpInvalid), 1);
    EXPECT_EQ(countOf(messages, badDirective), 1); // the real scale line
}

TEST(MultVertexDirective, ScalesEveryVertexAndTheSectorSizeInACopy) {
    TempWorkingDirectory folder;
    folder.writeFile("slope.bmp", makeBmp(40, 40, slopeColour));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    runScriptText(script, folder, "loadbump\nslope.bmp\n1\n");
    float before = vertexHeight(1, 1, 3, 4);
    auto messages = runScriptText(script, folder, "multvertex\n2\n3\n0.5\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(script.ring.current, 3);
    EXPECT_EQ(currentLandscape->sectorSizeX, 32.0f);
    EXPECT_EQ(currentLandscape->sectorSizeZ, 8.0f);
    const Sector& sector = currentLandscape->sectorAt(1, 1);
    Vector3 p = sector.positions[4 * 17 + 3];
    EXPECT_EQ(p.x, 19.0f * 2.0f);
    EXPECT_EQ(p.y, before * 3.0f);
    EXPECT_EQ(p.z, 20.0f * 0.5f);
    EXPECT_EQ(sector.stepX, 2.0f);
    EXPECT_EQ(script.ring.slots[2]->sectorSizeX, 16.0f);
}

TEST(NormalizeTexCoordsDirective, CoordinatesFollowTheScaledPositions) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    runScriptText(script, folder, "multvertex\n2\n1\n2\n");
    EXPECT_EQ(currentLandscape->sectorAt(1, 1).texCoords[16].x, 32.0f);
    auto messages = runScriptText(script, folder, "normalizetexcoords\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(script.ring.current, 3);
    const Sector& sector = currentLandscape->sectorAt(1, 1);
    EXPECT_EQ(sector.texCoords[16].x, 64.0f);
    EXPECT_EQ(sector.overlayTexCoords[16].x, 64.0f);
    EXPECT_EQ(sector.texCoords[16].y, 32.0f);
    EXPECT_EQ(script.ring.slots[2]->sectorAt(1, 1).texCoords[16].x, 32.0f);
}

TEST(UndoDirective, StepsBackThroughTheDirectives) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    runScriptText(script, folder, "multvertex\n2\n1\n2\nundo\n");
    EXPECT_EQ(currentLandscape->sectorSizeX, 16.0f);
    runScriptText(script, folder, "undo\n");
    EXPECT_EQ(currentLandscape->sectorCount, 0);
    runScriptText(script, folder, "undo\nundo\n");
    EXPECT_EQ(script.ring.current, 0);
}

TEST(ResetPosDirective, MovesWhateverTheViewIsBoundTo) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    auto messages = runScriptText(script, folder, "resetpos\n"); // nothing bound yet
    EXPECT_TRUE(messages.empty());
    Vector3 eye(200, 70, 200), angles(10, 20, 30);
    currentLandscape->cameraPosition = &eye;
    currentLandscape->cameraAngles = &angles;
    runScriptText(script, folder, std::string(smallMap) + "resetpos\n");
    EXPECT_EQ(eye.x, 0.0f);
    EXPECT_EQ(eye.y, 0.0f);
    EXPECT_EQ(eye.z, 0.0f);
    EXPECT_EQ(angles.x, 0.0f);
    EXPECT_EQ(angles.y, 135.0f);
    EXPECT_EQ(angles.z, 0.0f);
    EXPECT_EQ(script.ring.current, 1);
}

TEST(ViewDirectives, ViewDistanceAndFogColourGoToTheCurrentLandscape) {
    openTestWindow();
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages =
        runScriptText(script, folder, "setviewdist\n40\n5\nsetfogcolor\n0.5\n0.7\n1.0\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->fogEnd, 40.0f);
    EXPECT_EQ(currentLandscape->fogDepth, 5.0f);
    EXPECT_NEAR(currentLandscape->cullRadius, 40.0f + std::sqrt(128.0f), 1e-4);
    EXPECT_EQ(currentLandscape->fogColour.x, 0.5f);
    EXPECT_EQ(currentLandscape->fogColour.y, 0.7f);
    EXPECT_EQ(currentLandscape->fogColour.z, 1.0f);
    EXPECT_EQ(script.ring.current, 1);

    runScriptText(script, folder, "setviewdist\n60\n-1\n");
    EXPECT_EQ(currentLandscape->fogEnd, 60.0f);
    EXPECT_EQ(currentLandscape->fogDepth, 60.0f);
}

TEST(SetTextureDirective, EveryFaceGetsTheTextureInACopy) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    folder.writeFile("data\\textures\\grass.bmp", makeBmp(8, 8, [](int x, int y) {
                         return ((x + y) % 2) ? 0x20A020 : 0x108010;
                     }));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "settexture\ndata\\textures\\grass.bmp\n");
    EXPECT_TRUE(messages.empty());
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

TEST(SetTextureDirective, MissingFileLineIsReportedWithoutAStep) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "settexture\n");
    EXPECT_EQ(countOf(messages, "[Implementor Error] Invalid parameter in settexture"), 1);
    EXPECT_EQ(script.ring.current, 1);
}

TEST(SetTextureDirective, NameOnALastLineWithoutBreakIsPresent) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    folder.writeFile("t.bmp", makeBmp(4, 4, [](int, int) { return 0x808080; }));
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "settexture\nt.bmp");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(script.ring.current, 2);
    EXPECT_GE(currentLandscape->textures.findByName("t.bmp"), 0);
}
