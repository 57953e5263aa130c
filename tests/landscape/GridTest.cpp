#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool isIdentity(const Matrix3& m) {
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    return std::memcmp(m.m, identity, sizeof identity) == 0;
}

} // namespace

TEST(NewMap, BuildsTheGridOfSectorsWithTheirVerticesAndFaces) {
    Landscape land;
    land.newMap(256, 128, 16, 0.25f, 0.25f);
    EXPECT_EQ(land.sectorsAcross, 16);
    EXPECT_EQ(land.sectorsDown, 8);
    EXPECT_EQ(land.sectorCount, 128);
    EXPECT_EQ(land.renderList.size(), 128u);

    const Sector& s = land.sectorAt(1, 0);
    EXPECT_EQ(&s, &land.sectors[1]);
    EXPECT_EQ(s.columns, 65);
    EXPECT_EQ(s.rows, 65);
    EXPECT_EQ(s.faceCount, 8192);
    EXPECT_TRUE(Vector3(s.minX, s.minZ, 0).nearlyEquals({16, 0, 0}));
    EXPECT_TRUE(Vector3(s.maxX, s.maxZ, 0).nearlyEquals({32, 16, 0}));
    EXPECT_EQ(s.minY, 0.0f);
    EXPECT_EQ(s.maxY, 0.0f);
    EXPECT_FLOAT_EQ(land.sectorAt(3, 5).minZ, 80.0f);

    // Vertex (c, r) = (4, 10) at index r * columns + c; texture coordinates from x and z.
    EXPECT_TRUE(s.positions[10 * 65 + 4].nearlyEquals({17, 0, 2.5f}));
    EXPECT_TRUE(
        Vector3(s.texCoords[654].x, s.overlayTexCoords[654].y, 0).nearlyEquals({17, 2.5f, 0}));
    EXPECT_TRUE(s.normals[77].nearlyEquals({0, 1, 0}));
    for (int f = 0; f < s.faceCount; f += 997) {
        const SectorFace& face = s.faces[f];
        EXPECT_EQ(face.baseTexture, -1);
        EXPECT_EQ(face.overlayTexture, -1);
        EXPECT_TRUE(face.colour[2].nearlyEquals({1, 1, 1}));
        EXPECT_EQ(face.overlayColour[1].g, 1.0f);
        EXPECT_EQ(face.overlayColour[1].a, 0.0f);
        EXPECT_TRUE(isIdentity(face.basisInverse));
        EXPECT_EQ(s.baseOrder[f], uint32_t(f));
        EXPECT_EQ(s.overlayOrder[f], uint32_t(f));
    }
}

TEST(NewMap, RefusesSizesThatCannotMakeAGrid) {
    Landscape land;
    land.newMap(10, 64, 16, 1.0f, 1.0f); // narrower than one sector
    EXPECT_EQ(land.sectorsAcross, 0);
    EXPECT_TRUE(land.sectors.empty());
    EXPECT_EQ(land.heightAt(1.0f, 1.0f), noGround);
    land.newMap(64, 64, 0, 1.0f, 1.0f);
    EXPECT_EQ(land.sectorCount, 0);
    land.newMap(-64, 64, 16, 1.0f, 1.0f);
    EXPECT_EQ(land.sectorCount, 0);
    Sector s;
    s.init(0, 0, 16, 16, 0.0f, 1.0f);
    EXPECT_EQ(s.vertexCount, 0);
    EXPECT_EQ(s.faceCount, 0);
    s.init(0, 0, -16, 16, 1.0f, 1.0f);
    EXPECT_EQ(s.vertexCount, 0);
    EXPECT_TRUE(s.positions.empty());
}

TEST(SectorInit, CountsVerticesWithASmallToleranceForInexactSteps) {
    Sector s;
    // 16 / (1/3) is a hair below 48 in floats; the tolerance still gives 49.
    s.init(0, 0, 16, 16, 1.0f / 3.0f, 0.5f);
    EXPECT_EQ(s.columns, 49);
    EXPECT_EQ(s.rows, 33);
}

TEST(SectorInit, FaceCornersAddressTheRightVerticesWhenColumnsDifferFromRows) {
    Sector s;
    s.init(0, 0, 4, 3, 1.0f, 0.5f);
    ASSERT_EQ(s.columns, 5);
    ASSERT_EQ(s.rows, 7);
    ASSERT_EQ(s.faceCount, 2 * 4 * 6);
    for (int r = 0; r + 1 < s.rows; ++r) {
        for (int c = 0; c + 1 < s.columns; ++c) {
            int k = r * (s.columns - 1) + c;
            auto at = [&](const SectorFace& f, int corner) {
                return s.positions[f.vertex[corner]];
            };
            const SectorFace& first = s.faces[2 * k];
            const SectorFace& second = s.faces[2 * k + 1];
            float x = float(c), z = r * 0.5f;
            EXPECT_TRUE(at(first, 0).nearlyEquals({x, 0, z}));
            EXPECT_TRUE(at(first, 1).nearlyEquals({x + 1, 0, z}));
            EXPECT_TRUE(at(first, 2).nearlyEquals({x, 0, z + 0.5f}));
            EXPECT_TRUE(at(second, 0).nearlyEquals({x + 1, 0, z + 0.5f}));
            EXPECT_TRUE(at(second, 1).nearlyEquals({x + 1, 0, z}));
            EXPECT_TRUE(at(second, 2).nearlyEquals({x, 0, z + 0.5f}));
        }
    }
}

TEST(CornerColours, ChangeEveryCornerOfTheVertexAndNothingElse) {
    Sector s;
    s.init(0, 0, 4, 4, 1, 1);
    const uint32_t vertex = 2 * s.columns + 2; // interior: used by six faces
    auto count = [&](Vector3 want, bool atVertex) {
        int n = 0;
        for (const SectorFace& f : s.faces)
            for (int k = 0; k < 3; ++k)
                if ((f.vertex[k] == vertex) == atVertex && f.colour[k].nearlyEquals(want))
                    ++n;
        return n;
    };
    s.updateCornerColours(2, 2, {0.5f, 0.5f, 0.5f}, 0);
    EXPECT_EQ(count({0.5f, 0.5f, 0.5f}, true), 6);
    s.updateCornerColours(2, 2, {0.25f, 0, 1}, 1);
    EXPECT_EQ(count({0.75f, 0.5f, 1.5f}, true), 6);
    s.updateCornerColours(2, 2, {0.25f, 0, 0.5f}, 2);
    EXPECT_EQ(count({0.5f, 0.5f, 1.0f}, true), 6);
    s.updateCornerColours(2, 2, {2, 0, 3}, 3);
    EXPECT_EQ(count({1, 0, 3}, true), 6);
    s.updateCornerColours(2, 2, {9, 9, 9}, 4);
    EXPECT_EQ(count({1, 0, 3}, true), 6);
    EXPECT_EQ(count({1, 1, 1}, false), s.faceCount * 3 - 6);

    // A plain vertex index may be passed as the column with row 0.
    s.updateCornerOverlayColours(int(vertex), 0, {0.5f, 1, 1, 1}, 3);
    int halved = 0;
    for (const SectorFace& f : s.faces)
        for (int k = 0; k < 3; ++k)
            if (f.overlayColour[k].r == 0.5f)
                halved += f.vertex[k] == vertex ? 1 : 100;
    EXPECT_EQ(halved, 6);
}

TEST(CloneInto, GivesTheCopyItsOwnTerrainAndSharesTexturesAndCameras) {
    Landscape source;
    Vector3 eye(1, 2, 3), angles(10, 20, 0);
    source.cameraPosition = &eye;
    source.cameraAngles = &angles;
    source.newMap(32, 16, 16, 1, 1);
    source.setTexture(7);
    source.textures.count = 1;
    std::strcpy(source.textures.entries[0].name, "data\\textures\\grass.bmp");
    source.textures.entries[0].textureName = 7;
    source.fogEnd = 40;
    source.waterLevel = 2.5f;
    Entity* standing = reinterpret_cast<Entity*>(&eye);
    source.sectors[1].entityBucket[0] = standing;
    source.sectors[1].entityCount = 1;

    Landscape* clone = source.cloneInto(nullptr);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->sectorCount, 2);
    EXPECT_EQ(clone->cameraPosition, &eye);
    EXPECT_EQ(clone->cameraAngles, &angles);
    EXPECT_EQ(clone->fogEnd, 40);
    EXPECT_EQ(clone->waterLevel, 2.5f);
    EXPECT_STREQ(clone->textures.entries[0].name, "data\\textures\\grass.bmp");
    EXPECT_EQ(clone->sectors[1].faces[5].baseTexture, 7);
    EXPECT_EQ(clone->sectors[1].entityBucket[0], standing);
    EXPECT_EQ(clone->sectors[1].entityCount, 1);
    EXPECT_EQ(clone->renderList.size(), 2u);

    clone->sectors[0].positions[3].y = 5.0f;
    clone->sectors[0].faces[0].colour[0].x = 0.0f;
    EXPECT_EQ(source.sectors[0].positions[3].y, 0.0f);
    EXPECT_EQ(source.sectors[0].faces[0].colour[0].x, 1.0f);
    EXPECT_NE(clone->sectors[0].positions.data(), source.sectors[0].positions.data());

    // Cloning into an existing Landscape replaces its terrain.
    Landscape target;
    target.newMap(64, 64, 16, 1, 1);
    EXPECT_EQ(clone->cloneInto(&target), &target);
    EXPECT_EQ(target.sectorCount, 2);
    EXPECT_EQ(target.sectors[0].positions[3].y, 5.0f);

    // Cloning into itself keeps the terrain instead of releasing it first.
    EXPECT_EQ(target.cloneInto(&target), &target);
    EXPECT_EQ(target.sectorCount, 2);
    EXPECT_EQ(target.sectors[0].positions[3].y, 5.0f);
    delete clone;
}

TEST(Release, DropsTheTerrainAndKeepsTexturesAndSettings) {
    Landscape land;
    land.newMap(32, 32, 16, 1, 1);
    land.textures.count = 1;
    land.textures.entries[0].textureName = 3;
    land.fogEnd = 55;
    land.fogDepth = 5;
    land.fogColour.set(0.5f, 0.7f, 1.0f);
    land.release();
    EXPECT_EQ(land.sectorCount, 0);
    EXPECT_EQ(land.renderCount, 0);
    EXPECT_TRUE(land.sectors.empty());
    EXPECT_EQ(land.textures.count, 1);
    EXPECT_EQ(land.textures.entries[0].textureName, 3u);
    EXPECT_EQ(land.fogEnd, 55);
    EXPECT_EQ(land.fogColour.y, 0.7f);
    // Nothing left to index: queries and edits find no terrain.
    EXPECT_EQ(land.heightAt(8, 8), noGround);
    land.lowerBorder(1.0f);
    land.makeRenderList();
    EXPECT_EQ(land.renderCount, 0);
}

TEST(NewLandscape, SunDirectionIsThreeTwoSixMadeUnitByNormalize) {
    // (3, 2, 6) times the float 1/7, not three divisions by 7: x and z end one
    // unit in the last place higher, and saved maps carry these bits.
    Landscape land;
    const uint32_t expected[3] = {0x3EDB6DB8u, 0x3E924925u, 0x3F5B6DB8u};
    uint32_t bits[3];
    std::memcpy(bits, &land.sunDirection, sizeof bits);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(bits[k], expected[k]) << "component " << k;
}
