// Shadow tracing: what gets shadowed on simple maps, the colours it leaves,
// the border that is lowered only while tracing, the fast tracer held against
// the plain per-face search point by point (grid-line rays, rays through
// vertices, the 1024-face limit, terrain that is not a regular grid, broken
// faces, a sun that is not finite) and the progress bar.

#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "lighting/LightingParams.h"
#include "lighting/ProgressBar.h"
#include "lighting/ShadowTracer.h"
#include "tests/lighting/ReferenceLighting.h"
#include "tests/lighting/TestMaps.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

namespace {

Vector3 unit(float x, float y, float z) {
    Vector3 v(x, y, z);
    v.normalize();
    return v;
}

struct Colours {
    std::vector<std::vector<SectorFace>> faces;
};

Colours snapshot(const Landscape& land) {
    Colours c;
    for (const Sector& sector : land.sectors)
        c.faces.emplace_back(sector.faces.begin(), sector.faces.end());
    return c;
}

// Ground positions (x, z) of every vertex whose corners the trace changed,
// and of every vertex it left alone.
struct ShadowMap {
    std::map<std::pair<float, float>, bool> shadowed;
    bool at(float x, float z) const {
        auto it = shadowed.find({x, z});
        return it != shadowed.end() && it->second;
    }
};

ShadowMap shadowsOf(const Landscape& land, const Colours& before) {
    ShadowMap m;
    for (int s = 0; s < land.sectorCount; ++s) {
        const Sector& sector = land.sectors[s];
        for (int f = 0; f < sector.faceCount; ++f)
            for (int k = 0; k < 3; ++k) {
                const Vector3& p = sector.positions[sector.faces[f].vertex[k]];
                bool changed = std::memcmp(&sector.faces[f].colour[k],
                                           &before.faces[s][f].colour[k], sizeof(Vector3)) != 0;
                bool& entry = m.shadowed[{p.x, p.z}];
                entry = entry || changed;
            }
    }
    return m;
}

// A 32 x 32 flat map with one vertex at (16, 16) raised to 12 units.
HeightFunction spikeAtCentre() {
    return [](float x, float z) { return x == 16.0f && z == 16.0f ? 12.0f : 0.0f; };
}

// --- What is shadowed ----------------------------------------------------------

TEST(ShadowTracing, FlatMapShadowsNoInteriorVertex) {
    for (Vector3 sun : {unit(1, 0.3f, 0.2f), unit(-0.4f, 0.1f, 1.0f), unit(0.7f, 0.05f, -0.7f)}) {
        Landscape land;
        makeMap(land, 32, 32, 8, 1, flatHeights());
        LightingParams params;
        params.landscape = &land;
        params.sunDirection = sun;
        params.shadowColour = Vector3(0.5f, 0.5f, 0.5f);
        params.applyAmbient();
        Colours before = snapshot(land);
        params.traceShadows(false);
        ShadowMap shadows = shadowsOf(land, before);
        for (const auto& entry : shadows.shadowed) {
            float x = entry.first.first, z = entry.first.second;
            if (x > 0 && x < 32 && z > 0 && z < 32) {
                EXPECT_FALSE(entry.second) << "vertex (" << x << ", " << z << ")";
            }
        }
    }
}

TEST(ShadowTracing, SpikeShadesAStripOnTheSideAwayFromTheSun) {
    Landscape land;
    makeMap(land, 32, 32, 8, 1, spikeAtCentre());
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = unit(1.0f, 0.2f, 0.02f); // low, from +x
    params.shadowColour = Vector3(0.5f, 0.5f, 0.5f);
    params.applyAmbient();
    Colours before = snapshot(land);
    params.traceShadows(false);
    ShadowMap shadows = shadowsOf(land, before);
    for (int x = 2; x <= 15; ++x)
        EXPECT_TRUE(shadows.at(float(x), 16.0f)) << "x = " << x;
    for (int z = 1; z < 32; ++z)
        for (int x = 17; x < 32; ++x)
            EXPECT_FALSE(shadows.at(float(x), float(z))) << "(" << x << ", " << z << ")";
    for (int z = 1; z < 32; ++z)
        for (int x = 1; x < 32; ++x)
            if (std::abs(z - 16) >= 3) {
                EXPECT_FALSE(shadows.at(float(x), float(z))) << "(" << x << ", " << z << ")";
            }
}

TEST(ShadowTracing, OverheadSunCastsNoShadow) {
    Landscape land;
    makeMap(land, 32, 24, 8, 2, spikyHeights(7, 3.0f));
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = Vector3(0, 1, 0);
    params.applyAmbient();
    Colours before = snapshot(land);
    params.traceShadows(false);
    for (const auto& entry : shadowsOf(land, before).shadowed)
        ASSERT_FALSE(entry.second);
}

TEST(ShadowTracing, MultipliesShadowedCornersAndKeepsOverlayAlpha) {
    Landscape land;
    makeMap(land, 32, 32, 8, 1, spikeAtCentre());
    for (Sector& sector : land.sectors) {
        sector.setColours(1.5f, 1.5f, 1.5f);
        sector.setOverlayColours(1.5f, 1.5f, 1.5f, 0.375f);
    }
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = unit(1.0f, 0.2f, 0.02f);
    params.shadowColour = Vector3(0.5f, 0.5f, 0.5f);
    params.traceShadows(false);
    int shadowed = 0;
    for (const Sector& sector : land.sectors)
        for (const SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(face.overlayColour[k].a, 0.375f);
                if (face.colour[k].x != 1.5f) {
                    ASSERT_EQ(face.colour[k].x, 0.75f);
                    ASSERT_EQ(face.colour[k].z, 0.75f);
                    ASSERT_EQ(face.overlayColour[k].g, 0.75f);
                    ++shadowed;
                }
            }
    EXPECT_GT(shadowed, 14 * 6);
    // A second trace darkens the same corners once more.
    params.traceShadows(false);
    for (int s = 0; s < land.sectorCount; ++s)
        for (const SectorFace& face : land.sectors[s].faces)
            for (int k = 0; k < 3; ++k)
                ASSERT_TRUE(face.colour[k].x == 1.5f || face.colour[k].x == 0.375f);
}

// --- The lowered border ----------------------------------------------------------

TEST(ShadowBorder, EveryEdgeComesBackToItsHeightOnANonSquareMap) {
    Landscape land;
    // Heights in eighths: lowering by 100 and raising again is exact.
    makeMap(land, 48, 32, 16, 2, [](float x, float z) {
        return std::floor(8.0f * (3.0f + std::sin(x) * std::cos(z))) / 8.0f;
    });
    Landscape copy;
    makeMap(copy, 48, 32, 16, 2, [](float x, float z) {
        return std::floor(8.0f * (3.0f + std::sin(x) * std::cos(z))) / 8.0f;
    });
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = unit(0.5f, 0.4f, 0.3f);
    params.traceShadows(false);
    EXPECT_TRUE(samePositions(land, copy));
}

TEST(ShadowBorder, FaceBasesStillDescribeTheLoweredBorderAfterwards) {
    Landscape land;
    makeMap(land, 16, 16, 8, 1, flatHeights());
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = unit(0.5f, 0.4f, 0.3f);
    params.traceShadows(false);
    Matrix3 traced = land.sectors[0].faces[0].basisInverse; // touches the map corner
    Matrix3 inner = land.sectors[0].faces[2 * (3 * 8 + 3)].basisInverse;
    land.finalize();
    EXPECT_NE(std::memcmp(&traced, &land.sectors[0].faces[0].basisInverse, sizeof(Matrix3)), 0);
    EXPECT_EQ(
        std::memcmp(&inner, &land.sectors[0].faces[2 * (3 * 8 + 3)].basisInverse, sizeof(Matrix3)),
        0);
}

// --- The fast tracer against the plain search -----------------------------------

// Compares the tracer with the plain search for every vertex of the map, both
// asked point by point and traced sector by sector (where each vertex follows
// on from its neighbours).
int vertexDisagreements(const Landscape& land, Vector3 sun, int* shadowedCount = nullptr) {
    ShadowTracer tracer(land, sun);
    int disagreements = 0, shadowed = 0;
    std::vector<uint8_t> traced;
    for (int s = 0; s < land.sectorCount; ++s) {
        const Sector& sector = land.sectors[s];
        tracer.traceSector(s, traced);
        for (int v = 0; v < sector.vertexCount; ++v) {
            const Vector3& p = sector.positions[v];
            bool expected = referenceIsShadowed(land, p, sun);
            shadowed += expected ? 1 : 0;
            if (tracer.isShadowed(p) != expected || (traced[size_t(v)] != 0) != expected)
                ++disagreements;
        }
    }
    if (shadowedCount)
        *shadowedCount = shadowed;
    return disagreements;
}

TEST(ShadowTracer, AgreesOnRandomPointsAndRandomSuns) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> unitRange(-1.0f, 1.0f);
    Landscape land;
    makeMap(land, 40, 24, 8, 2, spikyHeights(3, 2.0f));
    int shadowed = 0, points = 0;
    for (int trial = 0; trial < 60; ++trial) {
        Vector3 sun = unit(unitRange(random), 0.5f * unitRange(random) + 0.2f, unitRange(random));
        ShadowTracer tracer(land, sun);
        ASSERT_TRUE(tracer.usesCellSearch());
        for (int i = 0; i < 60; ++i) {
            const Sector& sector = land.sectors[random() % land.sectors.size()];
            Vector3 p = sector.positions[random() % sector.positions.size()];
            switch (i % 3) {
            case 0: // a vertex
                break;
            case 1: // on a grid line, somewhere around the ground
                p.x += 0.5f * std::fabs(unitRange(random));
                p.y += 2.0f * unitRange(random);
                break;
            default: // anywhere near the ground
                p.x += 0.5f * std::fabs(unitRange(random));
                p.z += 0.5f * std::fabs(unitRange(random));
                p.y += 3.0f * unitRange(random);
                break;
            }
            bool expected = referenceIsShadowed(land, p, sun);
            shadowed += expected ? 1 : 0;
            ++points;
            ASSERT_EQ(tracer.isShadowed(p), expected)
                << "point (" << p.x << ", " << p.y << ", " << p.z << ") sun (" << sun.x << ", "
                << sun.y << ", " << sun.z << ")";
        }
    }
    // The comparison means something only if both answers occur often.
    EXPECT_GT(shadowed, points / 10);
    EXPECT_LT(shadowed, points * 9 / 10);
}

TEST(ShadowTracer, AgreesForRaysAlongGridLinesAndThroughVertices) {
    Landscape land;
    makeMap(land, 32, 24, 8, 1, terraceHeights(11));
    const Vector3 suns[] = {
        unit(1, 0.3f, 0),    unit(-1, 0.2f, 0), unit(0, 0.3f, 1),     unit(0, 0.25f, -1),
        unit(1, 0.3f, 1),    unit(1, 0.3f, -1), unit(-1, 0.2f, 1),    unit(2, 0.4f, 1),
        unit(-1, 0.3f, -2),  unit(1, 0, 0),     unit(1, 0, 1),        unit(3, 0.1f, 1),
        Vector3(1, 0.2f, 0), Vector3(0, 1, 0),  Vector3(1e-4f, 1, 0), Vector3(0, 0, 0)};
    for (Vector3 sun : suns) {
        int shadowed = 0;
        EXPECT_EQ(vertexDisagreements(land, sun, &shadowed), 0)
            << "sun (" << sun.x << ", " << sun.y << ", " << sun.z << "), " << shadowed
            << " shadowed";
    }
}

// One sector 20 units square with 32 vertices per unit along x and one per
// unit along z: a ray that runs nearly along x crosses more than 1024 faces
// of it. Only the first 1024 (by face index) may block it.
TEST(ShadowTracer, OnlyTheFirst1024CrossedFacesOfASectorCount) {
    Landscape land;
    land.newMap(20, 20, 20, 1.0f / 32.0f, 1.0f);
    for (Vector3& p : land.sectors[0].positions)
        p.y = p.x >= 17.0f && p.x <= 18.0f ? 100.0f : 0.0f; // a wall across the map
    land.finalize();
    ASSERT_GT(land.sectors[0].faceCount, 1024);
    Vector3 sun = unit(1.0f, 0.02f, 0.004f);
    ShadowTracer tracer(land, sun);
    ASSERT_TRUE(tracer.usesCellSearch());
    const Sector& sector = land.sectors[0];
    int capped = 0, checked = 0;
    for (int row = 2; row < sector.rows; row += 6)
        for (int column = 0; column < sector.columns; column += 5) {
            Vector3 p = sector.positions[size_t(row) * sector.columns + column];
            bool expected = referenceIsShadowed(land, p, sun);
            bool unlimited = referenceIsShadowed(land, p, sun, 1 << 20);
            capped += expected != unlimited ? 1 : 0;
            ++checked;
            ASSERT_EQ(tracer.isShadowed(p), expected) << "vertex (" << p.x << ", " << p.z << ")";
        }
    // The wall is hidden behind the limit for some of the vertices far from it.
    EXPECT_GT(capped, 10);
    EXPECT_GT(checked, 400);
    // The same vertices traced as a sector.
    std::vector<uint8_t> traced;
    tracer.traceSector(0, traced);
    ASSERT_EQ(traced.size(), size_t(sector.vertexCount));
    for (int row = 2; row < sector.rows; row += 6)
        for (int column = 0; column < sector.columns; column += 5) {
            size_t v = size_t(row) * sector.columns + column;
            ASSERT_EQ(traced[v] != 0, referenceIsShadowed(land, sector.positions[v], sun))
                << "vertex (" << sector.positions[v].x << ", " << sector.positions[v].z << ")";
        }
}

// The line test trusts each face's stored basis inverse, which may describe a
// slightly different triangle than the corners do. Here one face's inverse
// describes its triangle enlarged by 8%, so it is hit by a line that passes
// just beyond the map's edge, where no real face lies; the tracer must find
// that hit all the same.
TEST(ShadowTracer, HitThroughAnInexactBasisInverseIsStillFound) {
    Landscape land;
    makeMap(land, 16, 16, 16, 1, flatHeights());
    Sector& sector = land.sectors[0];
    int face = 2 * (7 * 16 + 15); // first face of the last cell of row 7: (15, 7) (16, 7) (15, 8)
    Vector3 p0 = sector.positions[sector.faces[face].vertex[0]];
    Vector3 e1 = sector.positions[sector.faces[face].vertex[1]].minus(p0).times(1.08f);
    Vector3 e2 = sector.positions[sector.faces[face].vertex[2]].minus(p0).times(1.08f);
    Vector3 n = cross(e1, e2);
    Matrix3& inverse = sector.faces[face].basisInverse;
    inverse.setColumn(0, e1.x, e1.y, e1.z);
    inverse.setColumn(1, e2.x, e2.y, e2.z);
    inverse.setColumn(2, n.x, n.y, n.z);
    ASSERT_TRUE(inverse.invert());

    // Down at a slope of 4 to the ground at (16.06, 0, 7.01): inside the
    // enlarged triangle only.
    Vector3 point(14.56f, 6.0f, 7.01f);
    Vector3 sun = unit(1.0f, -4.0f, 0.0f);
    ASSERT_TRUE(referenceIsShadowed(land, point, sun));
    ShadowTracer tracer(land, sun);
    EXPECT_TRUE(tracer.usesCellSearch());
    EXPECT_TRUE(tracer.isShadowed(point));
}

// Every face's stored basis inverse off by up to 4% in each element, the way
// a careless elimination might leave it: hits then come and go near the
// faces' edges, and the tracer must follow the inverses, not the corners.
TEST(ShadowTracer, AgreesWhereEveryBasisInverseIsSlightlyOff) {
    Landscape land;
    makeMap(land, 24, 24, 8, 2, smoothHeights(17, 4.0f));
    std::mt19937 random(99);
    std::uniform_real_distribution<float> error(-0.04f, 0.04f);
    for (Sector& sector : land.sectors)
        for (SectorFace& face : sector.faces)
            for (float& element : face.basisInverse.m)
                element *= 1.0f + error(random);
    for (Vector3 sun :
         {unit(1.0f, 0.3f, 0.45f), unit(-0.3f, 0.2f, 1.0f), unit(1.0f, -0.2f, 0.1f)}) {
        int shadowed = 0;
        EXPECT_EQ(vertexDisagreements(land, sun, &shadowed), 0)
            << "sun (" << sun.x << ", " << sun.y << ", " << sun.z << ")";
        EXPECT_GT(shadowed, 0);
    }
}

// On a map this large the tracer reads the face bases from the faces
// themselves instead of a packed copy; sampled vertices of a few sectors must
// still agree.
TEST(ShadowTracer, LargeMapAgreesOnSampledVertices) {
    Landscape land;
    makeMap(land, 352, 352, 16, 1, smoothHeights(5, 6.0f));
    Vector3 sun = unit(1.0f, 0.25f, 0.7f);
    ShadowTracer tracer(land, sun);
    ASSERT_TRUE(tracer.usesCellSearch());
    std::vector<uint8_t> traced;
    int shadowed = 0, checked = 0;
    for (int s : {0, 23, 250, 483}) {
        const Sector& sector = land.sectors[s];
        tracer.traceSector(s, traced);
        for (int v = 0; v < sector.vertexCount; v += 19) {
            bool expected = referenceIsShadowed(land, sector.positions[v], sun);
            ASSERT_EQ(traced[size_t(v)] != 0, expected) << "sector " << s << " vertex " << v;
            shadowed += expected ? 1 : 0;
            ++checked;
        }
    }
    EXPECT_GT(shadowed, checked / 10);
    EXPECT_LT(shadowed, checked * 9 / 10);
}

TEST(ShadowTracer, TerrainThatIsNotARegularGridIsTracedFaceByFace) {
    Landscape land;
    makeMap(land, 24, 16, 8, 1, spikyHeights(9, 3.0f));
    land.multVertex(-1.0f, 1.0f, 1.0f); // mirrored: columns run backwards
    land.finalize();
    Vector3 sun = unit(-1.0f, 0.3f, 0.4f);
    ShadowTracer tracer(land, sun);
    EXPECT_FALSE(tracer.usesCellSearch());
    int shadowed = 0;
    EXPECT_EQ(vertexDisagreements(land, sun, &shadowed), 0);
    EXPECT_GT(shadowed, 0);
}

TEST(ShadowTracer, StretchedMapsStillUseTheCellSearch) {
    Landscape land;
    makeMap(land, 24, 16, 8, 2, spikyHeights(4, 1.0f));
    land.multVertex(3.0f, 2.0f, 0.5f);
    land.finalize();
    Vector3 sun = unit(0.8f, 0.3f, -0.4f);
    ShadowTracer tracer(land, sun);
    EXPECT_TRUE(tracer.usesCellSearch());
    int shadowed = 0;
    EXPECT_EQ(vertexDisagreements(land, sun, &shadowed), 0);
    EXPECT_GT(shadowed, 0);
}

TEST(ShadowTracer, FaceWithAMissingCornerIsNeverCrossed) {
    Landscape land;
    makeMap(land, 16, 16, 8, 1, spikyHeights(2, 2.0f));
    land.sectors[1].faces[10].vertex[1] = 4000000000u;
    ShadowTracer tracer(land, unit(1.0f, 0.2f, 0.3f));
    EXPECT_FALSE(tracer.usesCellSearch());
    EXPECT_FALSE(
        ShadowTracer::crossesOutline(land.sectors[1], 10, Vector2(0, 0), Vector2(1000, 1000)));
    std::vector<uint8_t> shadowed;
    for (int s = 0; s < land.sectorCount; ++s) {
        tracer.traceSector(s, shadowed);
        EXPECT_EQ(shadowed.size(), size_t(land.sectors[s].vertexCount));
    }
}

TEST(ShadowTracer, SunThatIsNotFiniteIsTracedFaceByFace) {
    Landscape land;
    makeMap(land, 16, 16, 8, 1, spikyHeights(2, 2.0f));
    for (Vector3 sun :
         {Vector3(INFINITY, 1.0f, 0.0f), Vector3(1e38f, 1.0f, 1e38f), Vector3(NAN, 0.5f, 0.5f)}) {
        ShadowTracer tracer(land, sun);
        EXPECT_FALSE(tracer.usesCellSearch());
        for (const Vector3& p : land.sectors[2].positions)
            ASSERT_EQ(tracer.isShadowed(p), referenceIsShadowed(land, p, sun));
    }
}

TEST(ShadowTracer, ResultDoesNotDependOnTheSecondThread) {
    Landscape land;
    makeMap(land, 48, 32, 8, 2, spikyHeights(21, 3.0f));
    Vector3 sun = unit(0.3f, 0.25f, 0.9f);
    std::vector<std::vector<uint8_t>> results[2];
    for (int threads = 1; threads <= 2; ++threads) {
        ShadowTracer tracer(land, sun, threads);
        std::vector<std::vector<uint8_t>>& result = results[threads - 1];
        result.assign(size_t(land.sectorCount), {});
        std::vector<int> announced, finished(size_t(land.sectorCount), 0);
        std::mutex lock;
        tracer.traceAll([&](int s) { announced.push_back(s); },
                        [&](int s, const std::vector<uint8_t>& shadowed) {
                            std::lock_guard<std::mutex> hold(lock);
                            result[size_t(s)] = shadowed;
                            ++finished[size_t(s)];
                        });
        // Every sector announced once, in order, and finished once.
        ASSERT_EQ(announced.size(), size_t(land.sectorCount));
        for (int s = 0; s < land.sectorCount; ++s) {
            EXPECT_EQ(announced[size_t(s)], s);
            EXPECT_EQ(finished[size_t(s)], 1);
        }
        // Tracing sector by sector gives the same answers.
        std::vector<uint8_t> single;
        for (int s = 0; s < land.sectorCount; ++s) {
            tracer.traceSector(s, single);
            ASSERT_EQ(single, result[size_t(s)]);
        }
    }
    int shadowed = 0;
    for (int s = 0; s < land.sectorCount; ++s) {
        ASSERT_EQ(results[0][size_t(s)], results[1][size_t(s)]);
        for (uint8_t flag : results[0][size_t(s)])
            shadowed += flag;
    }
    EXPECT_GT(shadowed, 0);
}

// A face whose corners are not in the order the grid makes them (here turned
// round) is still traced exactly, face by face.
TEST(ShadowTracer, FacesMadeDifferentlyAreTracedFaceByFace) {
    Landscape land;
    makeMap(land, 24, 16, 8, 1, spikyHeights(5, 3.0f));
    SectorFace& face = land.sectors[2].faces[17];
    uint32_t first = face.vertex[0];
    face.vertex[0] = face.vertex[1];
    face.vertex[1] = face.vertex[2];
    face.vertex[2] = first;
    land.finalize();
    Vector3 sun = unit(0.6f, 0.3f, 0.5f);
    ShadowTracer tracer(land, sun);
    EXPECT_FALSE(tracer.usesCellSearch());
    int shadowed = 0;
    EXPECT_EQ(vertexDisagreements(land, sun, &shadowed), 0);
    EXPECT_GT(shadowed, 0);
}

// --- Progress bar ------------------------------------------------------------------

struct Pixel {
    int r, g, b;
};

Pixel pixelAt(const std::vector<unsigned char>& image, int x, int y) {
    const unsigned char* p = &image[(size_t(y) * 800 + x) * 3];
    return {p[0], p[1], p[2]};
}

bool isWhite(Pixel p) {
    return p.r > 200 && p.g > 200 && p.b > 200;
}
bool isBarBlue(Pixel p) {
    return p.r > 50 && p.r < 110 && p.g > 50 && p.g < 110 && p.b > 220;
}
bool isBlack(Pixel p) {
    return p.r < 20 && p.g < 20 && p.b < 20;
}

bool whiteNear(const std::vector<unsigned char>& image, int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (isWhite(pixelAt(image, x + dx, y + dy)))
                return true;
    return false;
}

void setEngineProjection() {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 800.0 / 600.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
}

std::vector<unsigned char> readBackBuffer() {
    std::vector<unsigned char> image(800 * 600 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, image.data());
    return image;
}

TEST(ProgressBar, HalfwayBarIsOutlinedAndFilledOnTheLeftHalf) {
    ASSERT_TRUE(openTestWindow());
    ASSERT_TRUE(progressDisplayAvailable());
    setEngineProjection();
    // Texturing and fog of a frame must not tint the bar.
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 1.0f);
    beginProgressDisplay();
    drawProgressBar(1, 2);
    endProgressDisplay();
    std::vector<unsigned char> image = readBackBuffer();
    EXPECT_TRUE(glIsEnabled(GL_FOG)); // state given back
    glDisable(GL_FOG);

    // 5 units ahead under a 90-degree view: (x, y) lands at pixel
    // (400 + x * 60, 300 + y * 60); the outline spans x 400..580, y 300..330.
    EXPECT_TRUE(whiteNear(image, 540, 330)); // top edge, right half
    EXPECT_TRUE(whiteNear(image, 540, 300)); // bottom edge, right half
    EXPECT_TRUE(whiteNear(image, 580, 315)); // right end
    EXPECT_TRUE(whiteNear(image, 400, 315)); // left end
    EXPECT_TRUE(isBarBlue(pixelAt(image, 420, 315)));
    EXPECT_TRUE(isBarBlue(pixelAt(image, 480, 320)));
    EXPECT_TRUE(isBlack(pixelAt(image, 500, 315)));
    EXPECT_TRUE(isBlack(pixelAt(image, 560, 315)));
    EXPECT_TRUE(isBlack(pixelAt(image, 300, 315))); // outside the outline
    EXPECT_TRUE(isBlack(pixelAt(image, 450, 360)));
}

// A step whose bar covers the pixels already shown is only counted, never
// sent; what is on screen after every step is still that step's bar. (A step
// that was not sent leaves the back buffer as the test painted it; the swap of
// this software renderer keeps the back buffer of a step that was sent.)
TEST(ProgressBar, EveryStepShowsItsOwnBarThoughSameLookingStepsAreNotSent) {
    ASSERT_TRUE(openTestWindow());
    setEngineProjection();
    beginProgressDisplay();
    std::vector<unsigned char> screen;
    int skipped = 0;
    for (int done = 0; done < 250; ++done) {
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 1);
        std::vector<unsigned char> marked = readBackBuffer();
        showProgressBar(done, 250);
        std::vector<unsigned char> after = readBackBuffer();
        if (after == marked)
            ++skipped;
        else
            screen = after;
        drawProgressBar(done, 250);
        ASSERT_EQ(screen, readBackBuffer()) << "step " << done;
    }
    endProgressDisplay();
    EXPECT_GT(skipped, 0);
}

TEST(ProgressBar, TracingWithDisplayLeavesTheMatrixAsItWas) {
    ASSERT_TRUE(openTestWindow());
    setEngineProjection();
    glTranslatef(1.0f, 2.0f, 3.0f);
    GLfloat before[16], after[16];
    GLint depthBefore = 0, depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    Landscape land;
    makeMap(land, 16, 16, 8, 1, spikyHeights(2, 2.0f));
    LightingParams params;
    params.landscape = &land;
    params.sunDirection = unit(1, 0.3f, 0.2f);
    params.traceShadows(true);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(std::memcmp(before, after, sizeof(before)), 0);
    EXPECT_EQ(depthBefore, depthAfter);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
