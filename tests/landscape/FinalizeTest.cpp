#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// The draw order as first defined: each face inserted before the first face
// whose texture name is greater or equal, compared unsigned. Quadratic, kept
// here as the reference the fast sort must reproduce.
std::vector<uint32_t> orderOf(const TerrainArray<uint32_t>& order) {
    return std::vector<uint32_t>(order.begin(), order.end());
}

std::vector<uint32_t> insertionOrder(const std::vector<int32_t>& names) {
    std::vector<uint32_t> order;
    for (uint32_t f = 0; f < names.size(); ++f) {
        size_t at = 0;
        while (at < order.size() && uint32_t(names[order[at]]) < uint32_t(names[f]))
            ++at;
        order.insert(order.begin() + at, f);
    }
    return order;
}

// A single sector of columns x rows vertices one unit apart.
Sector makeSector(int columns, int rows) {
    Sector s;
    s.init(0, 0, float(columns - 1), float(rows - 1), 1, 1);
    return s;
}

void setHeights(Sector& s, float (*heightOf)(float x, float z)) {
    for (Vector3& p : s.positions)
        p.y = heightOf(p.x, p.z);
}

Vector3 normalized(float x, float y, float z) {
    Vector3 v(x, y, z);
    v.normalize();
    return v;
}

void expectNormal(const Sector& s, int c, int r, Vector3 expected) {
    Vector3 n = s.normals[size_t(r) * s.columns + c];
    EXPECT_NEAR(n.x, expected.x, 1e-6f) << "vertex " << c << ", " << r;
    EXPECT_NEAR(n.y, expected.y, 1e-6f) << "vertex " << c << ", " << r;
    EXPECT_NEAR(n.z, expected.z, 1e-6f) << "vertex " << c << ", " << r;
}

} // namespace

TEST(SortFaces, OrdersByUnsignedTextureNameWithNoTextureLast) {
    Sector s = makeSector(3, 2);
    ASSERT_EQ(s.faceCount, 4);
    const int32_t names[4] = {7, -1, 7, 3};
    for (int f = 0; f < 4; ++f) {
        s.faces[f].baseTexture = names[f];
        s.faces[f].overlayTexture = names[3 - f];
    }
    s.sortFaces();
    EXPECT_EQ(orderOf(s.baseOrder), (std::vector<uint32_t>{3, 2, 0, 1}));
    EXPECT_EQ(orderOf(s.overlayOrder), (std::vector<uint32_t>{0, 3, 1, 2}));
}

TEST(SortFaces, MatchesTheInsertionOrderOnRandomFaceSets) {
    std::mt19937 random(1234);
    const int32_t palette[] = {
        -1, 0, 1, 2, 3, 17, 255, 1000, int32_t(0x80000000u), int32_t(0xFFFFFFFEu)};
    for (int trial = 0; trial < 200; ++trial) {
        int columns = 2 + int(random() % 12), rows = 2 + int(random() % 12);
        Sector s = makeSector(columns, rows);
        int kinds = 1 + int(random() % 5);
        std::vector<int32_t> base, overlay;
        for (SectorFace& face : s.faces) {
            face.baseTexture = palette[random() % kinds];
            face.overlayTexture = palette[random() % 10];
            base.push_back(face.baseTexture);
            overlay.push_back(face.overlayTexture);
        }
        s.sortFaces();
        ASSERT_EQ(orderOf(s.baseOrder), insertionOrder(base)) << "trial " << trial;
        ASSERT_EQ(orderOf(s.overlayOrder), insertionOrder(overlay)) << "trial " << trial;
    }
}

TEST(Normals, FlatGroundPointsStraightUp) {
    Landscape map;
    map.newMap(32, 16, 16, 0.5f, 0.5f);
    map.finalize();
    for (const Sector& s : map.sectors)
        for (const Vector3& n : s.normals)
            ASSERT_TRUE(n.nearlyEquals(Vector3(0, 1, 0)));
}

TEST(Normals, UseHalvedDifferencesOnAUnitGridWithOneSidedEdges) {
    // Rises one unit per vertex step of a quarter unit: the spacing is not
    // taken into account, the edge columns see only one neighbour.
    Sector s;
    s.init(0, 0, 4, 4, 0.25f, 0.25f);
    setHeights(s, [](float x, float) { return x * 4; });
    s.finalize();
    expectNormal(s, 8, 3, normalized(-1, 1, 0));
    expectNormal(s, 0, 3, normalized(-0.5f, 1, 0));
    expectNormal(s, s.columns - 1, 3, normalized(-0.5f, 1, 0));
    setHeights(s, [](float, float z) { return -z * 4; });
    s.finalize();
    expectNormal(s, 5, 5, normalized(0, 1, 1));
}

TEST(Normals, BordersTakeTheNeighboursValuesBelowFirstThenRight) {
    // Sector (1, 0) slopes along x, sector (0, 1) along z, the others are flat.
    Landscape map;
    map.newMap(32, 32, 16, 1.0f, 1.0f);
    setHeights(map.sectorAt(1, 0), [](float x, float) { return x - 16; });
    setHeights(map.sectorAt(0, 1), [](float, float z) { return z - 16; });
    map.finalize();
    const Sector& corner = map.sectorAt(0, 0);
    const int last = corner.columns - 1;
    expectNormal(corner, last, 5, normalized(-0.5f, 1, 0));    // from the right
    expectNormal(corner, 5, last, normalized(0, 1, -0.5f));    // from below
    expectNormal(corner, last, last, normalized(-0.5f, 1, 0)); // right wins
    // The right neighbour's own last row came from its flat neighbour below afterwards.
    expectNormal(map.sectorAt(1, 0), 0, last, Vector3(0, 1, 0));
    expectNormal(map.sectorAt(1, 0), 8, 5, normalized(-1, 1, 0));
}

TEST(FaceBases, MapPointsToEdgeCoordinates) {
    // p0 + e1 -> (1, 0, 0), p0 + e2 -> (0, 1, 0), and any mix of e1, e2 and
    // their cross product to its coefficients, on flat and on rough ground.
    Landscape map;
    map.newMap(16, 16, 16, 0.5f, 0.5f);
    Sector& s = map.sectors[0];
    std::mt19937 random(3);
    std::uniform_real_distribution<float> level(-2.0f, 2.0f);
    for (int pass = 0; pass < 2; ++pass) {
        map.finalize();
        for (const SectorFace& face : s.faces) {
            Vector3 p0 = s.positions[face.vertex[0]];
            Vector3 e1 = s.positions[face.vertex[1]].minus(p0);
            Vector3 e2 = s.positions[face.vertex[2]].minus(p0);
            Vector3 mix = e1.times(0.3f).plus(e2.times(0.2f)).plus(cross(e1, e2).times(0.1f));
            ASSERT_TRUE(face.basisInverse.transform(e1).nearlyEquals(Vector3(1, 0, 0)));
            ASSERT_TRUE(face.basisInverse.transform(e2).nearlyEquals(Vector3(0, 1, 0)));
            ASSERT_TRUE(face.basisInverse.transform(mix).nearlyEquals(Vector3(0.3f, 0.2f, 0.1f)));
        }
        for (Vector3& p : s.positions)
            p.y = level(random);
    }
}

TEST(FaceBases, ADegenerateFaceIsReportedOnceAndTheRestGoesOn) {
    Landscape map;
    map.newMap(32, 16, 16, 4.0f, 4.0f);
    for (Vector3& p : map.sectors[0].positions)
        p.x = 0; // the first sector collapses onto a line
    startCapturingMessages();
    map.finalize();
    std::vector<std::string> lines = stopCapturingMessages();
    ASSERT_EQ(int(lines.size()), map.sectors[0].faceCount);
    for (const std::string& line : lines)
        EXPECT_EQ(line, "[] Face index not invertable! (This should never happen)");
    const SectorFace& healthy = map.sectors[1].faces[0];
    Vector3 e1 = map.sectors[1].positions[healthy.vertex[1]].minus(
        map.sectors[1].positions[healthy.vertex[0]]);
    EXPECT_TRUE(healthy.basisInverse.transform(e1).nearlyEquals(Vector3(1, 0, 0)));
}

TEST(Finalize, RunningTwiceGivesTheSameResultAsOnce) {
    Landscape once, twice;
    std::mt19937 random(77);
    std::uniform_real_distribution<float> level(0.0f, 5.0f);
    for (Landscape* map : {&once, &twice})
        map->newMap(32, 32, 16, 0.5f, 0.5f);
    for (int s = 0; s < once.sectorCount; ++s) {
        for (int v = 0; v < once.sectors[s].vertexCount; ++v)
            once.sectors[s].positions[v].y = twice.sectors[s].positions[v].y = level(random);
        for (int f = 0; f < once.sectors[s].faceCount; ++f)
            once.sectors[s].faces[f].baseTexture = twice.sectors[s].faces[f].baseTexture =
                int32_t(random() % 3) - 1;
    }
    once.finalize();
    twice.finalize();
    twice.finalize();
    for (int s = 0; s < once.sectorCount; ++s) {
        const Sector& a = once.sectors[s];
        const Sector& b = twice.sectors[s];
        EXPECT_EQ(a.baseOrder, b.baseOrder);
        EXPECT_EQ(a.overlayOrder, b.overlayOrder);
        EXPECT_EQ(0, std::memcmp(a.normals.data(), b.normals.data(), a.normals.size() * 12));
        EXPECT_EQ(0, std::memcmp(a.faces.data(), b.faces.data(), a.faces.size() * 140));
        EXPECT_EQ(a.minY, b.minY);
        EXPECT_EQ(a.maxY, b.maxY);
    }
}

TEST(Finalize, OneThreadOrFourGiveTheSectorBySectorResultAndItsMessages) {
    // Enough sectors for the work to be shared; random heights and textures.
    Landscape unfinished, alone;
    unfinished.newMap(192, 96, 8, 1.0f, 1.0f);
    unfinished.cloneInto(&alone);
    std::mt19937 random(7);
    for (int32_t s = 0; s < unfinished.sectorCount; ++s) {
        Sector& a = unfinished.sectors[size_t(s)];
        Sector& b = alone.sectors[size_t(s)];
        for (int32_t v = 0; v < a.vertexCount; ++v)
            a.positions[size_t(v)].y = b.positions[size_t(v)].y = float(random() % 100) * 0.25f;
        for (int32_t f = 0; f < a.faceCount; ++f)
            a.faces[size_t(f)].baseTexture = b.faces[size_t(f)].baseTexture =
                int32_t(random() % 4) - 1;
    }
    // Two collapsed faces, in sectors 3 and 200, give one message each.
    for (Landscape* land : {&unfinished, &alone}) {
        for (int32_t s : {3, 200}) {
            Sector& sector = land->sectors[size_t(s)];
            sector.positions[sector.faces[0].vertex[1]] =
                sector.positions[sector.faces[0].vertex[0]];
        }
    }

    for (int32_t s = 0; s < alone.sectorCount; ++s)
        alone.sectors[size_t(s)].finalizeQuietly();
    for (int j = 0; j < alone.sectorsDown; ++j)
        for (int i = 0; i < alone.sectorsAcross; ++i)
            alone.sectorAt(i, j).stitchSeams(
                i + 1 < alone.sectorsAcross ? &alone.sectorAt(i + 1, j) : nullptr,
                j + 1 < alone.sectorsDown ? &alone.sectorAt(i, j + 1) : nullptr);

    for (int threads : {1, 4}) {
        WorkerPool::setSharedThreadCount(threads);
        Landscape shared;
        unfinished.cloneInto(&shared);
        startCapturingMessages();
        shared.finalize();
        std::vector<std::string> messages = stopCapturingMessages();

        for (int32_t s = 0; s < shared.sectorCount; ++s) {
            const Sector& a = shared.sectors[size_t(s)];
            const Sector& b = alone.sectors[size_t(s)];
            ASSERT_EQ(
                0, std::memcmp(a.faces.data(), b.faces.data(), a.faces.size() * sizeof(SectorFace)))
                << "sector " << s;
            ASSERT_EQ(0, std::memcmp(a.normals.data(), b.normals.data(),
                                     a.normals.size() * sizeof(Vector3)))
                << "sector " << s;
            ASSERT_EQ(orderOf(a.baseOrder), orderOf(b.baseOrder)) << "sector " << s;
            ASSERT_EQ(a.maxY, b.maxY);
        }
        int singular = 0;
        for (const std::string& line : messages)
            singular += line == "[] Face index not invertable! (This should never happen)";
        EXPECT_EQ(singular, 2) << threads << " threads";
    }
    WorkerPool::setSharedThreadCount(0);
}
