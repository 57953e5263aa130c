#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(SetTexture, GivesEveryFaceTheBaseTextureAndLeavesTheOverlay) {
    Landscape land;
    land.newMap(32, 16, 16, 1, 1);
    land.sectors[1].faces[3].overlayTexture = 9;
    land.setTexture(5);
    for (const Sector& s : land.sectors)
        for (const SectorFace& f : s.faces)
            ASSERT_EQ(f.baseTexture, 5);
    EXPECT_EQ(land.sectors[1].faces[3].overlayTexture, 9);
    EXPECT_EQ(land.sectors[1].faces[4].overlayTexture, -1);
    land.setTexture(-1);
    EXPECT_EQ(land.sectors[0].faces[0].baseTexture, -1);
}

TEST(MultVertex, ScalesPositionsBoundsStepsAndSectorSizeButNotNormals) {
    Landscape land;
    land.newMap(32, 16, 16, 0.5f, 0.5f);
    Sector& s = land.sectors[1];
    s.positions[40].y = 2.0f;
    s.positions[41].y = -1.0f;
    s.normals[40].set(0.6f, 0.8f, 0.0f);
    s.computeBounds();
    land.multVertex(1, 3, 1);
    EXPECT_EQ(s.positions[40].y, 6.0f);
    EXPECT_EQ(s.maxY, 6.0f);
    EXPECT_EQ(s.minY, -3.0f);
    EXPECT_EQ(s.normals[40].x, 0.6f);

    land.multVertex(2, 1, 2);
    EXPECT_EQ(land.sectorSizeX, 32.0f);
    EXPECT_EQ(land.sectorSizeZ, 32.0f);
    EXPECT_EQ(s.stepX, 1.0f);
    EXPECT_EQ(s.stepZ, 1.0f);
    EXPECT_EQ(s.minX, 32.0f);
    EXPECT_EQ(s.maxX, 64.0f);
    EXPECT_EQ(s.maxZ, 32.0f);
    // Texture coordinates stretch with the terrain until they are normalised.
    EXPECT_EQ(s.texCoords[s.vertexCount - 1].x, 32.0f);
    EXPECT_EQ(s.positions[s.vertexCount - 1].x, 64.0f);
}

TEST(NormalizeTexCoords, SetsBothLayersToTheGroundPosition) {
    Landscape land;
    land.newMap(32, 16, 16, 1, 1);
    land.sectors[0].overlayTexCoords[7].set(99, 99);
    land.multVertex(2, 1, 2);
    land.normalizeTexCoords();
    for (const Sector& s : land.sectors) {
        for (int v = 0; v < s.vertexCount; ++v) {
            ASSERT_EQ(s.texCoords[v].x, s.positions[v].x);
            ASSERT_EQ(s.texCoords[v].y, s.positions[v].z);
            ASSERT_EQ(s.overlayTexCoords[v].x, s.positions[v].x);
            ASSERT_EQ(s.overlayTexCoords[v].y, s.positions[v].z);
        }
    }
    EXPECT_EQ(land.sectors[1].texCoords.back().x, 64.0f);
}

// Every vertex on the map's outer edge moves by the amount once per edge it lies
// on (corners twice), in every sector that carries a copy of it.
static void expectBorderMoved(Landscape& land, float width, float depth, float amount) {
    for (const Sector& s : land.sectors) {
        for (const Vector3& p : s.positions) {
            int edges = (p.x == 0) + (p.x == width) + (p.z == 0) + (p.z == depth);
            ASSERT_EQ(p.y, -amount * edges) << p.x << ", " << p.z;
        }
    }
}

TEST(LowerBorder, MovesTheOuterBorderOfTheWholeMap) {
    Landscape land;
    land.newMap(48, 32, 16, 2, 2); // 3 x 2 sectors of 9 x 9 vertices
    land.lowerBorder(1.5f);
    expectBorderMoved(land, 48, 32, 1.5f);
    land.lowerBorder(-1.5f);
    expectBorderMoved(land, 48, 32, 0.0f);

    Landscape single; // one sector is first and last row and column at once
    single.newMap(16, 16, 16, 4, 4);
    single.lowerBorder(100.0f);
    expectBorderMoved(single, 16, 16, 100.0f);
    EXPECT_EQ(single.sectors[0].positions[0].y, -200.0f);

    Landscape empty;
    empty.lowerBorder(1.0f);
    EXPECT_EQ(empty.sectorCount, 0);
}
