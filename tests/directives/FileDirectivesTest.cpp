// "save" and "load": map files written and read through scripts.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const int mapHeaderBytes = 52;
const int textureEntryBytes = 136;
const int textureNameOffset = 132; // the GL name inside an entry

// A finished 2 x 2 sector map with a height image, a texture and view settings.
void buildTexturedMap(DirectiveScript& script, const TempWorkingDirectory& folder) {
    folder.writeFile("data\\maps\\hills.bmp",
                     makeBmp(40, 40, [](int x, int y) { return redOnly((x * 7 + y * 11) % 200); }));
    folder.writeFile("data\\textures\\grass.bmp",
                     makeBmp(8, 8, [](int x, int) { return x < 4 ? 0x20A020 : 0x30C030; }));
    auto messages = runScriptText(script, folder,
                                  std::string(smallMap) + "loadbump\ndata\\maps\\hills.bmp\n0.25\n"
                                                          "settexture\ndata\\textures\\grass.bmp\n"
                                                          "setviewdist\n50\n10\n"
                                                          "setfogcolor\n0.25\n0.5\n0.75\n");
    ASSERT_TRUE(messages.empty());
}

} // namespace

TEST(SaveLoadDirectives, LoadTakesAFreshUndoableStepWithTheSavedTerrainAndSettings) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    DirectiveScript script;
    buildTexturedMap(script, folder);
    Landscape* saved = currentLandscape;
    saved->waterLevel = 3.5f;
    saved->sunDirection = Vector3(0.0f, 0.6f, 0.8f);
    Vector3 eye(1, 2, 3);
    saved->cameraPosition = &eye;

    auto messages = runScriptText(script, folder, "save\ndata\\maps\\hills.map\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape, saved); // no step for saving
    messages = runScriptText(script, folder, "load\ndata\\maps\\hills.map\n");
    EXPECT_TRUE(messages.empty());
    Landscape* loaded = currentLandscape;
    ASSERT_NE(loaded, saved);
    EXPECT_EQ(loaded->cameraPosition, &eye);
    ASSERT_EQ(loaded->sectorCount, saved->sectorCount);
    EXPECT_EQ(loaded->sectorsAcross, 2);
    EXPECT_EQ(loaded->fogEnd, 50.0f);
    EXPECT_EQ(loaded->fogDepth, 10.0f);
    EXPECT_EQ(loaded->fogColour.y, 0.5f);
    EXPECT_EQ(loaded->waterLevel, 3.5f);
    EXPECT_EQ(loaded->sunDirection.z, 0.8f);
    ASSERT_EQ(loaded->textures.count, 1);
    EXPECT_STREQ(loaded->textures.entries[0].name, "data\\textures\\grass.bmp");
    uint32_t name = loaded->textures.entries[0].textureName;
    for (int s = 0; s < loaded->sectorCount; s++) {
        const Sector& a = saved->sectors[s];
        const Sector& b = loaded->sectors[s];
        ASSERT_EQ(a.vertexCount, b.vertexCount);
        for (int v = 0; v < a.vertexCount; v++)
            ASSERT_EQ(a.positions[v].y, b.positions[v].y);
        for (int f = 0; f < b.faceCount; f++)
            ASSERT_EQ(uint32_t(b.faces[f].baseTexture), name);
        EXPECT_EQ(a.maxY, b.maxY); // finalize ran after the load
    }
    runScriptText(script, folder, "undo\n");
    EXPECT_EQ(currentLandscape, saved);
}

TEST(SaveLoadDirectives, TwoSavesDifferOnlyInTheTextureNames) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    DirectiveScript script;
    buildTexturedMap(script, folder);
    runScriptText(script, folder, "save\na.map\nload\na.map\nsave\nb.map\n");
    std::string a = folder.readFile("a.map");
    std::string b = folder.readFile("b.map");
    ASSERT_GT(a.size(), size_t(mapHeaderBytes + 4));
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a.compare(0, mapHeaderBytes + 4, b, 0, mapHeaderBytes + 4), 0);
    int32_t entries = 0;
    std::memcpy(&entries, a.data() + mapHeaderBytes, 4);
    ASSERT_EQ(entries, 1);
    size_t entry = mapHeaderBytes + 4;
    EXPECT_EQ(a.compare(entry, textureNameOffset, b, entry, textureNameOffset), 0);
    size_t rest = entry + textureEntryBytes;
    EXPECT_EQ(a.compare(rest, std::string::npos, b, rest, std::string::npos), 0);
}

TEST(SaveLoadDirectives, LoadingAMissingFileLeavesNoTerrainUntilUndo) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    auto messages = runScriptText(script, folder, "load\ndata\\maps\\none.map\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(script.ring.current, 2);
    EXPECT_EQ(currentLandscape->sectorCount, 0);
    runScriptText(script, folder, "undo\n");
    EXPECT_EQ(currentLandscape->sectorCount, 4);
}

TEST(SaveLoadDirectives, SaveWithoutAFileNameOrToAnUnwritablePlaceGoesOn) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    auto messages = runScriptText(script, folder,
                                  std::string(smallMap) + "save\n\nsave\nno\\such\\folder\\x.map\n"
                                                          "save");
    EXPECT_EQ(countOf(messages, badDirective), 0);
    EXPECT_EQ(currentLandscape->sectorCount, 4);
}
