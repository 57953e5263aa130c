#include "tests/support/TestSupport.h"

#include "landscape/Heightmap.h"
#include "landscape/Landscape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// A height image of width x height pixels with h(c, r) per pixel, followed in
// memory by a run of poison values: any read past the image shows up as a
// height of the order of the poison.
struct HeightImage {
    int width, height;
    std::vector<float> pixels;
    static constexpr float poison = 1.0e6f;

    template <typename F> HeightImage(int w, int h, F heightOf) : width(w), height(h) {
        pixels.assign(size_t(w) * h + 4096, poison);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                pixels[size_t(r) * w + c] = heightOf(c, r);
    }
    float at(int c, int r) const { return pixels[size_t(r) * width + c]; }
};

float vertexHeight(const Sector& s, int c, int r) {
    return s.positions[size_t(r) * s.columns + c].y;
}

} // namespace

TEST(HermiteSamples, WriteNothingForACountThatIsNotPositive) {
    float out[2] = {7.0f, 7.0f};
    hermiteSamples(1.0f, 2.0f, 0.5f, 0.5f, out, 0.0f);
    hermiteSamples(1.0f, 2.0f, 0.5f, 0.5f, out, -3.0f);
    EXPECT_EQ(out[0], 7.0f);
    EXPECT_EQ(out[1], 7.0f);
}

TEST(LoadBump, UniformGreyGivesTheSameHeightEverywhere) {
    Landscape map;
    map.newMap(32, 32, 16, 0.25f, 0.25f);
    const float grey = 128 * 0.1f;
    HeightImage image(33, 33, [&](int, int) { return grey; });
    map.loadBump(image.pixels.data(), image.width, image.height);
    for (const Sector& s : map.sectors) {
        for (const Vector3& p : s.positions)
            ASSERT_EQ(p.y, grey);
        EXPECT_EQ(s.minY, grey);
        EXPECT_EQ(s.maxY, grey);
    }
}

TEST(LoadBump, OneVertexPerUnitTakesExactlyThePixelHeights) {
    Landscape map;
    map.newMap(32, 32, 16, 1.0f, 1.0f);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(0, 255);
    HeightImage image(33, 33, [&](int, int) { return byte(random) * 0.5f; });
    map.loadBump(image.pixels.data(), image.width, image.height);
    for (const Sector& s : map.sectors)
        for (const Vector3& p : s.positions)
            ASSERT_EQ(p.y, image.at(int(p.x), int(p.z))) << p.x << ", " << p.z;
}

TEST(LoadBump, NeighbouringSectorsAgreeOnTheirBorderVertices) {
    Landscape map;
    map.newMap(32, 32, 16, 0.25f, 0.25f);
    std::mt19937 random(9);
    std::uniform_real_distribution<float> level(0.0f, 20.0f);
    HeightImage image(33, 33, [&](int, int) { return level(random); });
    map.loadBump(image.pixels.data(), image.width, image.height);
    const Sector& a = map.sectorAt(0, 0);
    const Sector& right = map.sectorAt(1, 0);
    const Sector& below = map.sectorAt(0, 1);
    for (int k = 0; k < a.rows; ++k)
        ASSERT_EQ(vertexHeight(a, a.columns - 1, k), vertexHeight(right, 0, k));
    for (int k = 0; k < a.columns; ++k)
        ASSERT_EQ(vertexHeight(a, k, a.rows - 1), vertexHeight(below, k, 0));
}

TEST(LoadBump, ABrightPixelMakesASmoothBumpWithABoundedUndershoot) {
    Landscape map;
    map.newMap(16, 16, 16, 0.25f, 0.25f);
    HeightImage image(17, 17, [](int c, int r) { return c == 8 && r == 8 ? 10.0f : 0.0f; });
    map.loadBump(image.pixels.data(), image.width, image.height);
    const Sector& s = map.sectors[0];
    EXPECT_EQ(vertexHeight(s, 32, 32), 10.0f);
    EXPECT_EQ(s.maxY, 10.0f);

    // Through the peak: rising over the pixel interval before it, dipping
    // below the dark level in the interval before that, but by less than 7.5 %.
    float dip = 0.0f;
    for (int c = 24; c < 28; ++c)
        dip = std::min(dip, vertexHeight(s, c, 32));
    EXPECT_LT(dip, -0.5f);
    for (int c = 28; c < 32; ++c)
        EXPECT_LT(vertexHeight(s, c, 32), vertexHeight(s, c + 1, 32));
    for (int c = 0; c <= 64; ++c)
        EXPECT_NEAR(vertexHeight(s, c, 32), vertexHeight(s, 64 - c, 32), 1e-5f) << c;
    EXPECT_GE(s.minY, -0.75f);
    EXPECT_EQ(vertexHeight(s, 0, 0), 0.0f);
}

TEST(LoadBump, ReadsStayInsideTheImageAtItsLastRowAndColumn) {
    // The image covers the map plus one pixel exactly; the last blocks must
    // take their outer slopes from the last row and column, not from the poison.
    Landscape map;
    map.newMap(16, 16, 16, 0.25f, 0.25f);
    HeightImage image(17, 17, [](int c, int r) { return float(c + r); });
    map.loadBump(image.pixels.data(), image.width, image.height);
    EXPECT_LE(map.sectors[0].maxY, 32.5f);
    EXPECT_EQ(vertexHeight(map.sectors[0], 64, 64), 32.0f);
}

TEST(LoadBump, ATooSmallImageIsStretchedFromItsLastRowAndColumn) {
    Landscape map;
    map.newMap(32, 32, 16, 1.0f, 1.0f);
    HeightImage image(5, 3, [](int c, int r) { return float(c + 10 * r); });
    map.loadBump(image.pixels.data(), image.width, image.height);
    for (const Sector& s : map.sectors) {
        for (const Vector3& p : s.positions) {
            int c = std::min(int(p.x), 4), r = std::min(int(p.z), 2);
            ASSERT_EQ(p.y, image.at(c, r)) << p.x << ", " << p.z;
        }
    }
}

TEST(LoadBump, AMissingImageLeavesTheHeights) {
    Landscape map;
    map.newMap(16, 16, 16, 0.5f, 0.5f);
    Sector& s = map.sectors[0];
    s.positions[7].y = 3.0f;
    float one = 1.0f;
    map.loadBump(nullptr, 17, 17);
    map.loadBump(&one, 0, 0);
    EXPECT_EQ(s.positions[7].y, 3.0f);
    EXPECT_EQ(s.maxY, 3.0f); // bounds are still brought up to date
}

TEST(LoadBump, ASpacingThatDoesNotDivideTheSectorStaysInsideTheGrid) {
    // 0.3 units apart: 54 vertices per side, 3 per pixel, so the last block of
    // each row reaches one column past the grid. Written there it would land on
    // the next row's first vertex, which must keep the ramp's height 0.
    Landscape map;
    map.newMap(16, 16, 16, 0.3f, 0.3f);
    const Sector& s = map.sectors[0];
    ASSERT_EQ(s.columns, 54);
    HeightImage image(17, 17, [](int c, int) { return float(c); });
    map.loadBump(image.pixels.data(), image.width, image.height);
    for (int r = 0; r < s.rows; ++r)
        ASSERT_EQ(vertexHeight(s, 0, r), 0.0f) << r;
}

TEST(LoadBump, VerticesFartherApartThanAPixelTakeThePixelUnderThem) {
    Landscape map;
    map.newMap(16, 16, 16, 2.0f, 2.0f);
    HeightImage image(17, 17, [](int c, int r) { return float(c + 100 * r); });
    map.loadBump(image.pixels.data(), image.width, image.height);
    for (const Vector3& p : map.sectors[0].positions)
        ASSERT_EQ(p.y, p.x + 100 * p.z);
}
