// Baked light where the comparison with the plain versions does not reach:
// light added on top of what is there, a face naming a missing vertex, and a
// lighting block without terrain.

#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "lighting/LightingParams.h"
#include "tests/lighting/TestMaps.h"

#include <gtest/gtest.h>

namespace {

TEST(Sunlight, AddsOnTopKeepsOverlayAlphaAndSkipsCornersOfMissingVertices) {
    Landscape land;
    makeMap(land, 16, 16, 8, 1, flatHeights());
    for (Sector& sector : land.sectors) {
        sector.setColours(0.1f, 0.2f, 0.3f);
        sector.setOverlayColours(0.1f, 0.2f, 0.3f, 0.625f);
    }
    land.sectors[0].faces[5].vertex[2] = 1000000; // no such vertex
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = Vector3(0, 1, 0);
    params.applySunlight();
    params.applySunlight(); // twice: the sun is added twice
    for (const Sector& sector : land.sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                float expected = &face == &land.sectors[0].faces[5] && k == 2 ? 0.1f : 2.1f;
                ASSERT_FLOAT_EQ(face.colour[k].x, expected);
                ASSERT_FLOAT_EQ(face.overlayColour[k].b, expected + 0.2f);
                ASSERT_EQ(face.overlayColour[k].a, 0.625f);
            }
}

TEST(LightingWithoutTerrain, EveryOperationDoesNothing) {
    Landscape empty, narrow;
    narrow.newMap(4, 16, 8, 1.0f, 1.0f); // narrower than one sector: no sectors at all
    for (Landscape* land : {(Landscape*)nullptr, &empty, &narrow}) {
        LightingParams params;
        params.landscape = land;
        params.applyAmbient();
        params.applySunlight();
        params.traceShadows(land != &narrow);
        EXPECT_TRUE(land == nullptr || land->sectorCount == 0);
    }
}

} // namespace
