#include "tests/support/BmpFiles.h"
#include "tests/support/LittleEndian.h"
#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Two sectors of 3 x 3 vertices and no textures: 52 + 4 + 2 * (16 + 9 * 40 + 8 * 140) bytes.
void makeSmallMap(Landscape& map) {
    map.newMap(32, 16, 16, 8.0f, 8.0f);
    map.finalize();
}
const size_t smallMapBytes = 3048;
const size_t firstSector = 56; // with no textures
const size_t firstFaces = firstSector + 16 + 9 * 40;

// Loads a file of these bytes into a Landscape that had terrain before.
bool loadBytes(const TempWorkingDirectory& dir, const std::string& bytes, Landscape& map) {
    dir.writeFile("data\\maps\\probe.map", bytes);
    map.newMap(16, 16, 16, 4.0f, 4.0f);
    return map.load("data\\maps\\probe.map");
}

void expectNoTerrain(const Landscape& map) {
    EXPECT_TRUE(map.sectorCount == 0 && map.sectors.empty() && map.sectorsAcross == 0);
}

} // namespace

TEST(MapFile, SmallMapHasTheExactLayout) {
    TempWorkingDirectory dir;
    Landscape map;
    makeSmallMap(map);
    map.fogEnd = 40.0f;
    map.sectors[1].positions.write()[4].y = 2.5f;
    map.sectors[0].colours.write()[0].corner[1].set(0.25f, 0.5f, 0.75f);
    ASSERT_TRUE(map.save("small.map"));
    std::string bytes = dir.readFile("small.map");
    ASSERT_EQ(bytes.size(), smallMapBytes);

    EXPECT_EQ(bytes.substr(0, 8), std::string("\x64\x00\x02\x00\x01\x00\x00\x00", 8));
    EXPECT_EQ(fieldAt<float>(bytes, 8), 16.0f);
    EXPECT_EQ(fieldAt<float>(bytes, 16), 40.0f);
    EXPECT_EQ(fieldAt<float>(bytes, 48), map.sunDirection.z);
    EXPECT_EQ(fieldAt<int32_t>(bytes, 52), 0); // no textures
    EXPECT_EQ(fieldAt<uint16_t>(bytes, firstSector), 9);
    EXPECT_EQ(fieldAt<uint16_t>(bytes, firstSector + 2), 8);
    EXPECT_EQ(fieldAt<float>(bytes, firstSector + 4), 8.0f);
    EXPECT_EQ(fieldAt<uint16_t>(bytes, firstSector + 14), 3);
    EXPECT_EQ(fieldAt<float>(bytes, firstFaces + 16), 0.5f); // face 0, corner 1, green
    EXPECT_EQ(fieldAt<int32_t>(bytes, firstFaces + 84), -1);
    EXPECT_EQ(fieldAt<int32_t>(bytes, firstFaces + 100), 3);
    EXPECT_EQ(fieldAt<int32_t>(bytes, firstFaces + 140 + 92), 4);
    const size_t secondSector = firstFaces + 8 * 140;
    EXPECT_EQ(fieldAt<float>(bytes, secondSector + 16 + 4 * 12 + 4), 2.5f); // vertex 4 y
}

TEST(MapFile, SaveAndLoadKeepTerrainTexturesAndSettings) {
    ASSERT_TRUE(openTestWindow()); // textures are uploaded again on load
    TempWorkingDirectory dir;
    writeBmp("data/textures/grass.bmp", 8, 8, [](int, int) { return 0x28C828; });
    writeBmp("data/textures/sand.bmp", 8, 8, [](int, int) { return 0xDCC878; });
    Landscape map;
    int grass = map.textures.loadBmpTexture("data\\textures\\grass.bmp", 2);
    int sand = map.textures.loadBmpTexture("data\\textures\\sand.bmp", 2);
    ASSERT_EQ(sand, 1);
    map.newMap(32, 32, 16, 0.5f, 0.5f);
    map.setTexture(int32_t(map.textures.entries[grass].textureName));
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (Sector& s : map.sectors) {
        Vector3* positions = s.positions.write();
        for (int v = 0; v < s.vertexCount; ++v)
            positions[v].y = 8 * unit(random);
        FaceColours* colours = s.colours.write();
        FaceColours* overlay = s.overlayColours.write();
        FaceAlphas* alphas = s.overlayAlphas.write();
        FaceTextures* textures = s.textures.write();
        for (int f = 0; f < s.faceCount; ++f) {
            colours[f].corner[2].set(unit(random), unit(random), unit(random));
            overlay[f].corner[0].set(unit(random), unit(random), unit(random));
            alphas[f].corner[0] = unit(random);
            if (unit(random) < 0.3f)
                textures[f].overlayTexture = int32_t(map.textures.entries[sand].textureName);
        }
    }
    map.setViewDist(55.0f, 7.0f);
    map.setFogColor(0.2f, 0.3f, 0.4f);
    map.waterLevel = 3.5f;
    map.sunDirection.set(0.0f, 0.6f, 0.8f);
    map.finalize();
    ASSERT_TRUE(map.save("round.map"));

    Landscape copy;
    glFogf(GL_FOG_START, 0.0f);
    ASSERT_TRUE(copy.load("round.map"));
    copy.finalize();
    GLfloat fogStart = 0.0f; // the loaded fog reaches GL: it starts 7 before its end
    glGetFloatv(GL_FOG_START, &fogStart);
    EXPECT_EQ(fogStart, 48.0f);
    ASSERT_EQ(copy.sectorCount, 4);
    EXPECT_EQ(std::vector<float>({copy.fogEnd, copy.fogDepth, copy.fogColour.z, copy.waterLevel,
                                  copy.sunDirection.y}),
              std::vector<float>({55.0f, 7.0f, 0.4f, 3.5f, 0.6f}));
    ASSERT_EQ(copy.textures.count, 2);
    auto fileOf = [](const Landscape& owner, int32_t name) -> std::string {
        int index = owner.textures.findByTextureName(uint32_t(name));
        return index < 0 ? "none" : owner.textures.entries[index].name;
    };
    for (int s = 0; s < map.sectorCount; ++s) {
        const Sector& a = map.sectors[s];
        const Sector& b = copy.sectors[s];
        ASSERT_EQ(b.vertexCount, a.vertexCount);
        EXPECT_EQ(b.maxY, a.maxY);
        EXPECT_EQ(0, std::memcmp(b.positions.data(), a.positions.data(), a.vertexCount * 12));
        for (int f = 0; f < a.faceCount; ++f) {
            const SectorFace fa = a.face(f), fb = b.face(f);
            ASSERT_EQ(0, std::memcmp(fb.colour, fa.colour, 36 + 48));
            ASSERT_EQ(fileOf(copy, fb.baseTexture), fileOf(map, fa.baseTexture));
            ASSERT_EQ(fileOf(copy, fb.overlayTexture), fileOf(map, fa.overlayTexture));
        }
    }
}

TEST(MapFile, ShortFilesAndCountsThatDisagreeWithTheGridOrTheFileAreRefused) {
    TempWorkingDirectory dir;
    Landscape map;
    makeSmallMap(map);
    ASSERT_TRUE(map.save("small.map"));
    const std::string good = dir.readFile("small.map");
    // Every cut through the headers and records' starts, and every few bytes.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        size_t inSecond = cut >= firstFaces + 8 * 140 ? cut - (firstFaces + 8 * 140) : cut;
        if (cut < firstSector + 20 || inSecond < 20 || cut % 7 == 0 || cut + 1 == good.size()) {
            ASSERT_FALSE(loadBytes(dir, good.substr(0, cut), map)) << "cut at " << cut;
            ASSERT_TRUE(map.sectorCount == 0 && map.sectors.empty()) << "cut at " << cut;
        }
    }
    using Damage = std::function<void(std::string&)>;
    const std::vector<std::pair<const char*, Damage>> damages = {
        {"wrong version", [](std::string& b) { b[0] = 0x65; }},
        {"vertex count", [](std::string& b) { putField<uint16_t>(b, firstSector, 10); }},
        {"face count", [](std::string& b) { putField<uint16_t>(b, firstSector + 2, 9); }},
        {"an empty grid",
         [](std::string& b) {
             putField<uint16_t>(b, firstSector, 0);
             putField<uint16_t>(b, firstSector + 2, 0);
             putField<uint16_t>(b, firstSector + 12, 0);
         }},
        {"a grid beyond 16-bit counts",
         [](std::string& b) {
             putField<uint16_t>(b, firstSector, uint16_t(300 * 300));
             putField<uint16_t>(b, firstSector + 12, 300);
             putField<uint16_t>(b, firstSector + 14, 300);
         }},
        {"a huge grid of sectors",
         [](std::string& b) {
             putField<uint16_t>(b, 2, 65535);
             putField<uint16_t>(b, 4, 65535);
         }},
        {"a corner outside the grid",
         [](std::string& b) { putField<int32_t>(b, firstFaces + 100, 9); }},
        {"a texture count beyond the file",
         [](std::string& b) { putField<int32_t>(b, 52, 1000000); }},
    };
    map.textures.addEntry(5);
    map.fogEnd = 12.0f;
    for (const auto& damage : damages) {
        std::string bytes = good;
        damage.second(bytes);
        EXPECT_FALSE(loadBytes(dir, bytes, map)) << damage.first;
        expectNoTerrain(map);
        if (&damage == &damages[0]) {
            EXPECT_EQ(map.textures.count, 1) << "a wrong version leaves textures and settings";
            EXPECT_EQ(map.fogEnd, 12.0f);
        }
    }
    EXPECT_FALSE(map.load("no\\such.map"));
    expectNoTerrain(map);
    // A texture index outside the section loads as no texture.
    std::string bytes = good;
    putField<int32_t>(bytes, firstFaces + 84, 5);
    putField<int32_t>(bytes, firstFaces + 88, -7);
    ASSERT_TRUE(loadBytes(dir, bytes, map));
    EXPECT_EQ(map.sectors[0].textures[0].baseTexture, -1);
    EXPECT_EQ(map.sectors[0].textures[0].overlayTexture, -1);
}

TEST(MapFile, StepsThatDoNotDescribeTheGridAreRefused) {
    // One sector of 2 x 2 vertices spanning -1..1: the 512-byte map whose
    // step of 1e-30 once sent the height query far outside its vertices.
    TempWorkingDirectory dir;
    Landscape map;
    map.newMap(2, 2, 2, 2.0f, 2.0f);
    map.sectors[0].positions.update([](size_t, Vector3& p) { p.set(p.x - 1.0f, p.y, p.z - 1.0f); });
    ASSERT_TRUE(map.save("one.map"));
    const std::string good = dir.readFile("one.map");
    ASSERT_EQ(good.size(), 512u);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float stepX, stepZ;
        bool accepted;
    } cases[] = {{2.0f, 2.0f, true},    {2.0001f, 1.9999f, true}, {1e-30f, 1e-30f, false},
                 {2.0f, 1e-30f, false}, {0.0f, 2.0f, false},      {-2.0f, 2.0f, false},
                 {nan, 2.0f, false},    {2.0f, inf, false},       {1.5f, 2.0f, false},
                 {2.0f, 4.0f, false}};
    for (const Case& c : cases) {
        std::string bytes = good;
        std::memcpy(&bytes[firstSector + 4], &c.stepX, 4);
        std::memcpy(&bytes[firstSector + 8], &c.stepZ, 4);
        EXPECT_EQ(loadBytes(dir, bytes, map), c.accepted) << c.stepX << ", " << c.stepZ;
        if (!c.accepted) {
            expectNoTerrain(map);
            continue;
        }
        map.finalize();
        EXPECT_EQ(map.sectors[0].heightAt(0.5f, -0.5f), 0.0f);
        EXPECT_EQ(map.sectors[0].heightAt(1e30f, nan), noGround);
    }
}
