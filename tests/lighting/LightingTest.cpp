// Baked light: the ambient reset, the sun term on known normals, which corners
// a vertex's light reaches, what is kept (overlay alpha) and what a lighting
// block without terrain does.

#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "lighting/LightingParams.h"
#include "tests/lighting/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A flat 16 x 16 map of four 8-unit sectors, one vertex per unit.
void makeFlatMap(Landscape& land) {
    makeMap(land, 16, 16, 8, 1, flatHeights());
}

void expectEveryCorner(const Landscape& land, float expected) {
    int checked = 0;
    for (const Sector& sector : land.sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(face.colour[k].x, expected);
                ASSERT_EQ(face.colour[k].y, expected);
                ASSERT_EQ(face.colour[k].z, expected);
                ASSERT_EQ(face.overlayColour[k].r, expected);
                ASSERT_EQ(face.overlayColour[k].g, expected);
                ASSERT_EQ(face.overlayColour[k].b, expected);
                ++checked;
            }
    EXPECT_EQ(checked, 4 * 2 * 8 * 8 * 3);
}

float flatCornerAfterSunlight(Vector3 sun) {
    Landscape land;
    makeFlatMap(land);
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = sun;
    params.applyAmbient();
    params.applySunlight();
    float value = land.sectors[0].faces[0].colour[0].x;
    // Every corner of the flat map must carry the same value.
    expectEveryCorner(land, value);
    return value;
}

// --- Ambient ---------------------------------------------------------------

TEST(Ambient, SetsEveryCornerAndClearsOverlayCoverage) {
    Landscape land;
    makeFlatMap(land);
    for (Sector& sector : land.sectors)
        sector.setOverlayColours(0.2f, 0.3f, 0.4f, 0.9f);
    LightingParams params;
    params.landscape = &land;
    params.ambientColour = Vector3(0.25f, 0.5f, 0.75f);
    params.applyAmbient();
    for (const Sector& sector : land.sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(face.colour[k].x, 0.25f);
                ASSERT_EQ(face.colour[k].y, 0.5f);
                ASSERT_EQ(face.colour[k].z, 0.75f);
                ASSERT_EQ(face.overlayColour[k].r, 0.25f);
                ASSERT_EQ(face.overlayColour[k].g, 0.5f);
                ASSERT_EQ(face.overlayColour[k].b, 0.75f);
                ASSERT_EQ(face.overlayColour[k].a, 0.0f);
            }
}

// --- Sunlight ----------------------------------------------------------------

TEST(Sunlight, FlatGroundGetsHalfTheSunTimesOnePlusTheSunsHeight) {
    EXPECT_EQ(flatCornerAfterSunlight(Vector3(0, 1, 0)), 1.5f);  // overhead: full sun
    EXPECT_EQ(flatCornerAfterSunlight(Vector3(0, -1, 0)), 0.5f); // straight below: none
    EXPECT_EQ(flatCornerAfterSunlight(Vector3(1, 0, 0)), 1.0f);  // on the horizon: half
    EXPECT_EQ(flatCornerAfterSunlight(Vector3(0, 0, 0)), 1.0f);  // no direction set: half
    EXPECT_EQ(flatCornerAfterSunlight(Vector3(0, 2, 0)), 2.0f);  // scaled: 1.5, not clamped
}

TEST(Sunlight, UsesEachVertexNormalForAllItsCorners) {
    Landscape land;
    // A slope rising one unit per unit along x: normals (-1, 1, 0)/sqrt(2)
    // inside, one-sided differences on the sector edges.
    makeMap(land, 16, 8, 8, 1, [](float x, float) { return x; });
    LightingParams params;
    params.landscape = &land;
    params.ambientColour = Vector3(0, 0, 0);
    params.sunColour = Vector3(1.0f, 0.5f, 0.25f);
    params.sunDirection = Vector3(-0.6f, 0.8f, 0.0f);
    params.applyAmbient();
    params.applySunlight();
    for (const Sector& sector : land.sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                Vector3 n = sector.normals[face.vertex[k]];
                Vector3 a = n.plus(params.sunDirection);
                float s = 0.5f * (n.x * a.x + n.y * a.y + n.z * a.z);
                ASSERT_FLOAT_EQ(face.colour[k].x, s);
                ASSERT_FLOAT_EQ(face.colour[k].y, 0.5f * s);
                ASSERT_FLOAT_EQ(face.colour[k].z, 0.25f * s);
            }
    // The slope faces the sun: s = 0.5 * (1 + n.L) with n.L = (0.6 + 0.8)/sqrt(2).
    const Sector& first = land.sectors[0];
    int inner = 3 * first.columns + 3;
    float expected = 0.5f * (1.0f + 1.4f / std::sqrt(2.0f));
    for (const SectorFace& face : first.faces)
        for (int k = 0; k < 3; ++k)
            if (int(face.vertex[k]) == inner) {
                EXPECT_NEAR(face.colour[k].x, expected, 1e-6);
            }
}

TEST(Sunlight, AddsOnTopOfWhatIsThereAndKeepsOverlayAlpha) {
    Landscape land;
    makeFlatMap(land);
    for (Sector& sector : land.sectors) {
        sector.setColours(0.1f, 0.2f, 0.3f);
        sector.setOverlayColours(0.1f, 0.2f, 0.3f, 0.625f);
    }
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = Vector3(0, 1, 0);
    params.applySunlight();
    params.applySunlight(); // twice: the sun is added twice
    for (const Sector& sector : land.sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                ASSERT_FLOAT_EQ(face.colour[k].x, 2.1f);
                ASSERT_FLOAT_EQ(face.overlayColour[k].b, 2.3f);
                ASSERT_EQ(face.overlayColour[k].a, 0.625f);
            }
}

TEST(Sunlight, CornerOfAMissingVertexIsLeftAloneAndNothingBreaks) {
    Landscape land;
    makeFlatMap(land);
    Sector& sector = land.sectors[0];
    sector.faces[5].vertex[2] = 1000000; // no such vertex
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = Vector3(0, 1, 0);
    params.applyAmbient();
    params.applySunlight();
    EXPECT_EQ(sector.faces[5].colour[2].x, 0.5f);
    EXPECT_EQ(sector.faces[5].colour[1].x, 1.5f);
}

// --- Corner updates the lighting relies on -------------------------------------

TEST(CornerUpdates, ReachEveryFaceOfTheVertexWithEachOp) {
    Landscape land;
    makeFlatMap(land);
    Sector& sector = land.sectors[0];
    int vertex = 2 * sector.columns + 3; // inner vertex: six faces
    auto cornersOf = [&](int v) {
        std::vector<Vector3*> corners;
        for (SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k)
                if (int(face.vertex[k]) == v)
                    corners.push_back(&face.colour[k]);
        return corners;
    };
    ASSERT_EQ(cornersOf(vertex).size(), 6u);
    sector.updateCornerColours(3, 2, Vector3(2, 2, 2), 0);
    sector.updateCornerColours(3, 2, Vector3(1, 1, 1), 1);
    sector.updateCornerColours(3, 2, Vector3(0.5f, 0.5f, 0.5f), 2);
    sector.updateCornerColours(3, 2, Vector3(4, 4, 4), 3);
    sector.updateCornerColours(3, 2, Vector3(9, 9, 9), 4); // unknown: nothing
    for (Vector3* c : cornersOf(vertex))
        EXPECT_EQ(c->x, 10.0f);
    for (Vector3* c : cornersOf(vertex + 1))
        EXPECT_EQ(c->x, 1.0f);
}

// --- No terrain --------------------------------------------------------------

TEST(LightingWithoutTerrain, EveryOperationDoesNothing) {
    LightingParams params;
    params.applyAmbient();
    params.applySunlight();
    params.traceShadows(true);

    Landscape empty;
    params.landscape = &empty;
    params.applyAmbient();
    params.applySunlight();
    params.traceShadows(true);
    EXPECT_EQ(empty.sectorCount, 0);

    Landscape narrow; // narrower than one sector: no sectors at all
    narrow.newMap(4, 16, 8, 1.0f, 1.0f);
    params.landscape = &narrow;
    params.applyAmbient();
    params.applySunlight();
    params.traceShadows(false);
    EXPECT_EQ(narrow.sectorCount, 0);
}

} // namespace
