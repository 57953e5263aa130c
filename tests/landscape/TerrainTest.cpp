// The terrain itself: the draw order against the plain insertion sort, the
// finishing pass shared between cores against the one-thread pass, the height
// under a point, and heights read from a height image through the spline.

#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<uint32_t> orderOf(const SharedArray<uint32_t>& order) {
    return std::vector<uint32_t>(order.begin(), order.end());
}

// The draw order as first defined: each face inserted before the first face
// whose texture name is greater or equal, compared unsigned. Quadratic, kept
// as the reference the fast sort must reproduce.
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

float& heightOf(Landscape& land, int i, int j, int c, int r) {
    Sector& s = land.sectorAt(i, j);
    return s.positions.write()[size_t(r) * s.columns + c].y;
}

// Every face record of two sectors, bit for bit.
bool sameFaces(const Sector& a, const Sector& b) {
    if (a.faceCount != b.faceCount)
        return false;
    for (int32_t f = 0; f < a.faceCount; ++f) {
        SectorFace x = a.face(f), y = b.face(f);
        if (std::memcmp(&x, &y, sizeof x) != 0)
            return false;
    }
    return true;
}

} // namespace

TEST(SortFaces, MatchesTheInsertionOrderOnRandomFaceSets) {
    std::mt19937 random(1234);
    const int32_t palette[] = {
        -1, 0, 1, 2, 3, 17, 255, 1000, int32_t(0x80000000u), int32_t(0xFFFFFFFEu)};
    for (int trial = 0; trial < 200; ++trial) {
        int columns = 2 + int(random() % 12), rows = 2 + int(random() % 12);
        Sector s;
        s.init(0, 0, float(columns - 1), float(rows - 1), 1, 1);
        int kinds = 1 + int(random() % 5);
        std::vector<int32_t> base, overlay;
        FaceTextures* textures = s.textures.write();
        for (int32_t f = 0; f < s.faceCount; ++f) {
            textures[f].baseTexture = palette[random() % kinds];
            textures[f].overlayTexture = palette[random() % 10];
            base.push_back(textures[f].baseTexture);
            overlay.push_back(textures[f].overlayTexture);
        }
        s.sortFaces();
        ASSERT_EQ(orderOf(s.baseOrder), insertionOrder(base)) << "trial " << trial;
        ASSERT_EQ(orderOf(s.overlayOrder), insertionOrder(overlay)) << "trial " << trial;
    }
}

TEST(Finalize, SharingSectorsBetweenCoresGivesTheOneThreadResultAndItsMessages) {
    Landscape shared, alone;
    shared.newMap(192, 96, 8, 1.0f, 1.0f);
    shared.cloneInto(&alone);
    std::mt19937 random(7);
    for (int32_t s = 0; s < shared.sectorCount; ++s) {
        Sector& a = shared.sectors[size_t(s)];
        Sector& b = alone.sectors[size_t(s)];
        Vector3 *pa = a.positions.write(), *pb = b.positions.write();
        for (int32_t v = 0; v < a.vertexCount; ++v)
            pa[v].y = pb[v].y = float(random() % 100) * 0.25f;
        FaceTextures *ta = a.textures.write(), *tb = b.textures.write();
        for (int32_t f = 0; f < a.faceCount; ++f)
            ta[f].baseTexture = tb[f].baseTexture = int32_t(random() % 4) - 1;
    }
    // Two collapsed faces, in sectors 3 and 200, give one message each.
    for (Landscape* land : {&shared, &alone}) {
        for (int32_t s : {3, 200}) {
            Sector& sector = land->sectors[size_t(s)];
            Vector3* p = sector.positions.write();
            p[sector.corners[0].vertex[1]] = p[sector.corners[0].vertex[0]];
        }
    }
    WorkerPool::setSharedThreadCount(4); // more threads than this machine's cores
    startCapturingMessages();
    shared.finalize();
    shared.finalize(); // a second pass changes nothing
    std::vector<std::string> messages = stopCapturingMessages();
    WorkerPool::setSharedThreadCount(0);
    for (int32_t s = 0; s < alone.sectorCount; ++s)
        alone.sectors[size_t(s)].finalizeQuietly();
    for (int j = 0; j < alone.sectorsDown; ++j)
        for (int i = 0; i < alone.sectorsAcross; ++i)
            alone.sectorAt(i, j).stitchSeams(
                i + 1 < alone.sectorsAcross ? &alone.sectorAt(i + 1, j) : nullptr,
                j + 1 < alone.sectorsDown ? &alone.sectorAt(i, j + 1) : nullptr);
    for (int32_t s = 0; s < shared.sectorCount; ++s) {
        const Sector& a = shared.sectors[size_t(s)];
        const Sector& b = alone.sectors[size_t(s)];
        ASSERT_TRUE(sameFaces(a, b)) << "sector " << s;
        ASSERT_EQ(
            0, std::memcmp(a.normals.data(), b.normals.data(), a.normals.size() * sizeof(Vector3)))
            << "sector " << s;
        ASSERT_EQ(orderOf(a.baseOrder), orderOf(b.baseOrder)) << "sector " << s;
        ASSERT_EQ(a.maxY, b.maxY);
    }
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         "[] Face index not invertable! (This should never happen)"),
              4);
    // Each vertex on a seam between two sectors ends with one normal in both
    // copies; only the corners that four sectors share may differ.
    const int across = shared.sectorsAcross, down = shared.sectorsDown;
    auto normal = [&](int i, int j, int v) {
        const Vector3& n = shared.sectorAt(i, j).normals[size_t(v)];
        return std::array<float, 3>{n.x, n.y, n.z};
    };
    for (int j = 0; j < down; ++j)
        for (int i = 0; i < across; ++i)
            for (int k = 0, n = shared.sectorAt(i, j).rows; k < n; ++k) {
                const bool cornerRight = (k == 0 && j > 0) || (k == n - 1 && j + 1 < down);
                const bool cornerBelow = (k == 0 && i > 0) || (k == n - 1 && i + 1 < across);
                if (i + 1 < across && !cornerRight) {
                    ASSERT_EQ(normal(i, j, k * n + n - 1), normal(i + 1, j, k * n))
                        << i << ", " << j << " row " << k;
                }
                if (j + 1 < down && !cornerBelow) {
                    ASSERT_EQ(normal(i, j, (n - 1) * n + k), normal(i, j + 1, k))
                        << i << ", " << j << " column " << k;
                }
            }
}

TEST(HeightAt, FollowsTheTwoFacesOfACellAndTheSectorThatStartsAtABorder) {
    Landscape land;
    land.newMap(32, 16, 16, 1, 1);
    // Cell (2, 3): only its far corner is raised, so the first face stays flat.
    heightOf(land, 0, 0, 3, 4) = 4.0f;
    const float expected[][3] = {{2.25f, 3.25f, 0}, {2.5f, 3.5f, 0}, {2.75f, 3.75f, 2}, {3, 4, 4}};
    for (const auto& e : expected)
        EXPECT_FLOAT_EQ(land.heightAt(e[0], e[1]), e[2]) << e[0] << ", " << e[1];
    for (int r = 0; r < 17; ++r) { // two copies of the border that differ
        heightOf(land, 0, 0, 16, r) = 5.0f;
        heightOf(land, 1, 0, 0, r) = 7.0f;
    }
    EXPECT_FLOAT_EQ(land.heightAt(16, 8.5f), 7.0f);
    EXPECT_FLOAT_EQ(land.sectors[0].heightAt(16, 8), 5.0f) << "a sector's edge answers for it";
    EXPECT_EQ(land.sectors[0].heightAt(16.01f, 8), noGround);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (auto p : {std::make_pair(-0.5f, 4.0f),
                   {4.0f, -0.5f},
                   {32.0f, 4.0f},
                   {4.0f, 16.0f},
                   {-1e30f, 1e30f},
                   {nan, 4.0f},
                   {4.0f, nan}})
        EXPECT_EQ(land.heightAt(p.first, p.second), noGround) << p.first << ", " << p.second;
    // Cells of 2 x 1 after scaling: (20, 5), now (40, 5), raised. At (40, 4.5)
    // the first face rises along z alone; (41, 4.25) and (41, 4.75) lie on
    // either side of the cell's diagonal, which is not at 45 degrees.
    heightOf(land, 1, 0, 4, 5) = 8.0f;
    land.multVertex(2, 1, 1);
    for (const auto& e : {std::array<float, 3>{40, 4.5f, 4}, {41, 4.25f, 2}, {41, 4.75f, 4}})
        EXPECT_FLOAT_EQ(land.heightAt(e[0], e[1]), e[2]) << e[0] << ", " << e[1];
    land.multVertex(0, 1, 1); // collapsed: nothing to stand on, nothing read out of bounds
    EXPECT_EQ(land.heightAt(0, 8), noGround);
}

// Height images are followed in memory by poison values: a read past the image
// shows up as a height of the order of the poison.
TEST(LoadBump, VerticesTakePixelHeightsAndReadsStayInsideTheImage) {
    const float poison = 1.0e6f;
    const struct {
        const char* what;
        int width, height;
        float step;
        std::function<float(int, int)> pixel;
        std::function<bool(const Vector3&)> right;
    } cases[] = {
        {"too small: stretched from the last row and column", 5, 3, 1.0f,
         [](int c, int r) { return float(c + 10 * r); },
         [](const Vector3& p) {
             return p.y == std::min(int(p.x), 4) + 10 * std::min(int(p.z), 2);
         }},
        {"vertices two pixels apart", 33, 33, 2.0f, [](int c, int r) { return float(c + 100 * r); },
         [](const Vector3& p) { return p.y == p.x + 100 * p.z; }},
        {"a spacing that does not divide the sector", 33, 33, 0.3f,
         [](int c, int) { return float(c); },
         [](const Vector3& p) {
             return (p.x > 0 || p.y == 0.0f) && p.y < 40.0f;
         }}, // no poison read
    };
    for (const auto& c : cases) {
        std::vector<float> image(size_t(c.width) * c.height + 4096, poison);
        for (int r = 0; r < c.height; ++r)
            for (int col = 0; col < c.width; ++col)
                image[size_t(r) * c.width + col] = c.pixel(col, r);
        Landscape map;
        map.newMap(32, 32, 16, c.step, c.step);
        map.loadBump(image.data(), c.width, c.height);
        for (const Sector& s : map.sectors)
            for (const Vector3& p : s.positions)
                ASSERT_TRUE(c.right(p)) << c.what << ": " << p.x << ", " << p.z << " is " << p.y;
        const Sector& a = map.sectorAt(0, 0);
        for (int k = 0; c.step != 0.3f && k < a.rows; ++k) // neighbours agree on their border
            ASSERT_EQ(a.positions[size_t(k) * a.columns + a.columns - 1].y,
                      map.sectorAt(1, 0).positions[size_t(k) * a.columns].y);
    }
}

// The undo ring's copy of a map shares every array; an edit copies only the
// arrays it changes, in the sectors it changes, and finalize copies only what
// it derives from them. (Sector 6 of the 4 x 3 map lies inside the border.)
TEST(SharedArrays, AnEditCopiesOnlyTheArraysAndSectorsItChanges) {
    Landscape original;
    original.newMap(64, 48, 16, 1.0f, 1.0f);
    original.finalize();
    auto sharedArrays = [&](const Landscape& copy, int s) {
        const Sector &a = original.sectors[size_t(s)], &b = copy.sectors[size_t(s)];
        return std::vector<bool>{a.positions.sharesBlockWith(b.positions),
                                 a.normals.sharesBlockWith(b.normals),
                                 a.texCoords.sharesBlockWith(b.texCoords),
                                 a.colours.sharesBlockWith(b.colours),
                                 a.overlayAlphas.sharesBlockWith(b.overlayAlphas),
                                 a.textures.sharesBlockWith(b.textures),
                                 a.corners.sharesBlockWith(b.corners),
                                 a.basisInverses.sharesBlockWith(b.basisInverses),
                                 a.baseOrder.sharesBlockWith(b.baseOrder)};
    };
    const std::vector<bool> all(9, true);
    const struct {
        const char* edit;
        std::function<void(Landscape&)> apply;
        std::vector<bool> border, inside;
    } cases[] = {
        {"nothing", [](Landscape&) {}, all, all},
        {"one texture everywhere: sorted the same",
         [](Landscape& m) { m.setTexture(7); },
         {1, 1, 1, 1, 1, 0, 1, 1, 1},
         {1, 1, 1, 1, 1, 0, 1, 1, 1}},
        {"one face's texture",
         [](Landscape& m) { m.sectors[6].textures.write()[5].baseTexture = 3; },
         all,
         {1, 1, 1, 1, 1, 0, 1, 1, 0}},
        {"the border lowered",
         [](Landscape& m) { m.lowerBorder(2.0f); },
         {0, 0, 1, 1, 1, 1, 1, 0, 1},
         all},
        {"colours",
         [](Landscape& m) { m.sectors[0].setColours(0.5f, 0.5f, 0.5f); },
         {1, 1, 1, 0, 1, 1, 1, 1, 1},
         all},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Landscape> copy(original.cloneInto(nullptr));
        c.apply(*copy);
        copy->finalize();
        EXPECT_EQ(sharedArrays(*copy, 0), c.border) << c.edit;
        EXPECT_EQ(sharedArrays(*copy, 6), c.inside) << c.edit;
    }
}
