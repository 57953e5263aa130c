#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

float& heightOf(Landscape& land, int i, int j, int c, int r) {
    Sector& s = land.sectorAt(i, j);
    return s.positions[size_t(r) * s.columns + c].y;
}

} // namespace

TEST(HeightAt, FollowsTheTwoFacesOfACell) {
    Landscape land;
    land.newMap(16, 16, 16, 1, 1);
    // Cell (2, 3): only its far corner (c+1, r+1) is raised, so the first face
    // stays flat and the second slopes up.
    heightOf(land, 0, 0, 3, 4) = 4.0f;
    EXPECT_FLOAT_EQ(land.heightAt(2.25f, 3.25f), 0.0f);
    EXPECT_FLOAT_EQ(land.heightAt(2.5f, 3.5f), 0.0f); // the diagonal
    EXPECT_FLOAT_EQ(land.heightAt(2.75f, 3.75f), 2.0f);
    EXPECT_FLOAT_EQ(land.heightAt(3.0f, 4.0f), 4.0f);

    heightOf(land, 0, 0, 3, 4) = 0.0f;
    heightOf(land, 0, 0, 3, 3) = 1.0f; // y(c+1, r) = 1, y(c+1, r+1) = 1
    heightOf(land, 0, 0, 3, 4) = 1.0f;
    EXPECT_FLOAT_EQ(land.heightAt(2.5f, 3.25f), 0.5f);
    EXPECT_FLOAT_EQ(land.heightAt(2.75f, 3.75f), 0.75f);
}

TEST(HeightAt, IsExactOnAPlaneWithUnequalSteps) {
    Landscape land;
    land.newMap(32, 16, 16, 0.5f, 0.25f);
    for (Sector& s : land.sectors)
        for (Vector3& p : s.positions)
            p.y = 2.0f * p.x - 3.0f * p.z + 1.0f;
    for (float x = 0.1f; x < 32; x += 0.77f)
        for (float z = 0.05f; z < 16; z += 0.61f)
            EXPECT_NEAR(land.heightAt(x, z), 2.0f * x - 3.0f * z + 1.0f, 1e-3f) << x << ", " << z;
}

TEST(HeightAt, OffTheMapIsNoGround) {
    Landscape land;
    land.newMap(32, 32, 16, 1, 1);
    EXPECT_EQ(land.heightAt(-0.5f, 4), noGround);
    EXPECT_EQ(land.heightAt(4, -0.5f), noGround);
    EXPECT_EQ(land.heightAt(32, 4), noGround);
    EXPECT_EQ(land.heightAt(4, 32), noGround);
    EXPECT_EQ(land.heightAt(-1e30f, 1e30f), noGround);
    EXPECT_EQ(land.heightAt(std::numeric_limits<float>::quiet_NaN(), 4), noGround);
    uint32_t bits;
    float sentinel = noGround;
    std::memcpy(&bits, &sentinel, 4);
    EXPECT_EQ(bits, 0xC479F99Au);
}

TEST(HeightAt, SectorBorderIsAnsweredByTheSectorStartingThereOrByItsEdgeVertex) {
    Landscape land;
    land.newMap(32, 16, 16, 1, 1);
    // Make the two copies of the border differ to see which one answers.
    for (int r = 0; r < 17; ++r) {
        heightOf(land, 0, 0, 16, r) = 5.0f;
        heightOf(land, 1, 0, 0, r) = 7.0f;
    }
    EXPECT_FLOAT_EQ(land.heightAt(16, 8.5f), 7.0f);

    // Asked directly, a sector's maximum bound gives its edge vertex.
    heightOf(land, 0, 0, 16, 8) = 3.0f;
    heightOf(land, 0, 0, 8, 16) = 6.0f;
    heightOf(land, 0, 0, 16, 16) = 9.0f;
    const Sector& s = land.sectors[0];
    EXPECT_FLOAT_EQ(s.heightAt(16, 8), 3.0f);
    EXPECT_FLOAT_EQ(s.heightAt(8, 16), 6.0f);
    EXPECT_FLOAT_EQ(s.heightAt(16, 16), 9.0f);
    EXPECT_EQ(s.heightAt(16.01f, 8), noGround);
}

TEST(HeightAt, ScaledMapIsFoundThroughTheScaledSectorSize) {
    Landscape land;
    land.newMap(32, 16, 16, 1, 1);
    heightOf(land, 1, 0, 4, 4) = 8.0f; // world (20, 4) before scaling
    land.multVertex(2, 1, 2);
    EXPECT_FLOAT_EQ(land.heightAt(40, 8), 8.0f);
    EXPECT_FLOAT_EQ(land.heightAt(41, 8), 4.0f);
    // A collapsed map has no surface to stand on and is not read out of bounds.
    land.multVertex(0, 1, 1);
    EXPECT_EQ(land.heightAt(0, 8), noGround);
}

TEST(HeightAt, AnyPointAndAnyStepGiveAHeightOrNoGround) {
    // A sloped sector whose steps are then broken as a file or a script could
    // break them; no point may reach past its vertices.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float huge = std::numeric_limits<float>::max();
    const float steps[] = {1.0f, 1e-30f, 1e-45f, 1e30f, inf, nan, 0.0f, -1.0f};
    const float points[][2] = {{0.5f, 0.5f}, {4.0f, 4.0f}, {nan, 1.0f},  {1.0f, nan},
                               {inf, 1.0f},  {-inf, 1.0f}, {huge, huge}, {-huge, 2.0f}};
    for (float step : steps) {
        Landscape land;
        land.newMap(4, 4, 4, 1.0f, 1.0f);
        Sector& sector = land.sectors[0];
        for (Vector3& p : sector.positions)
            p.y = p.x;
        sector.stepX = step;
        sector.stepZ = step;
        for (const auto& point : points) {
            float h = land.heightAt(point[0], point[1]);
            EXPECT_TRUE(h == noGround || (h >= 0.0f && h <= 4.0001f))
                << "step " << step << " at " << point[0] << ", " << point[1] << ": " << h;
        }
    }
}
