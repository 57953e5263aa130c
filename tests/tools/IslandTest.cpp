#include "tests/support/TestSupport.h"
#include "tools/IslandHeightmap.h"
#include "tools/PaintMasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// The island is large; every test shares one.
const IslandHeightmap& island() {
    static const IslandHeightmap made;
    return made;
}

} // namespace

TEST(Island, SeaAlongTheWholeBorder) {
    const int last = IslandHeightmap::size - 1;
    for (int i = 0; i <= last; ++i) {
        ASSERT_EQ(island().heightAt(i, 0), 0.0f) << i;
        ASSERT_EQ(island().heightAt(i, last), 0.0f) << i;
        ASSERT_EQ(island().heightAt(0, i), 0.0f) << i;
        ASSERT_EQ(island().heightAt(last, i), 0.0f) << i;
    }
}

TEST(Island, LandUnderThePlacesTheDemoUses) {
    EXPECT_GT(island().heightAt(782, 735), IslandHeightmap::beachTop);
    EXPECT_GT(island().heightAt(200, 200), IslandHeightmap::beachTop);
    // And around them, so that something standing there is not on a cliff edge.
    for (int d = -20; d <= 20; d += 10) {
        EXPECT_GT(island().heightAt(782 + d, 735 - d), IslandHeightmap::shore);
        EXPECT_GT(island().heightAt(200 + d, 200 - d), IslandHeightmap::shore);
    }
}

TEST(Island, HasSeaBeachesLowlandAndHighGround) {
    int sea = 0, beach = 0, land = 0, high = 0;
    float highest = 0.0f;
    for (int row = 0; row < IslandHeightmap::size; row += 4) {
        for (int column = 0; column < IslandHeightmap::size; column += 4) {
            float h = island().heightAt(column, row);
            ASSERT_GE(h, 0.0f);
            ASSERT_LE(h, 255.0f);
            highest = std::max(highest, h);
            if (h < IslandHeightmap::shore)
                ++sea;
            else if (h <= IslandHeightmap::beachTop)
                ++beach;
            else
                ++land;
            if (h > 150.0f)
                ++high;
        }
    }
    EXPECT_GT(sea, 0);
    EXPECT_GT(beach, 0);
    EXPECT_GT(land, sea / 2) << "an island, not a reef";
    EXPECT_GT(high, 0);
    EXPECT_GT(highest, 180.0f);
}

TEST(Island, BeachesSlopeDownIntoTheSea) {
    // Walking from the middle of the west coast out to sea the ground only falls.
    const int row = 512;
    int column = 0;
    while (island().heightAt(column, row) < IslandHeightmap::shore)
        ++column;
    ASSERT_GT(column, 40) << "the sea is wide at the border";
    for (int x = column; x > 0; --x)
        EXPECT_LE(island().heightAt(x - 1, row), island().heightAt(x, row)) << x;
}

TEST(Island, ValleyIsLowerThanTheGroundBesideIt) {
    // (470, 600) lies on the valley's line; the line runs south-west, so the
    // ground 110 pixels to either side across it is higher.
    float floor = island().heightAt(470, 600);
    EXPECT_LT(floor, island().heightAt(470 + 78, 600 + 78));
    EXPECT_LT(floor, island().heightAt(470 - 78, 600 - 78));
    EXPECT_GT(floor, IslandHeightmap::beachTop) << "the valley floor is dry land";
}

TEST(Island, SameIslandEveryTime) {
    IslandHeightmap again;
    for (int row = 0; row < IslandHeightmap::size; row += 7) {
        for (int column = 0; column < IslandHeightmap::size; column += 7)
            ASSERT_EQ(again.heightAt(column, row), island().heightAt(column, row));
    }
}

// ---------------------------------------------------------------- masks

TEST(PaintMasks, SandCoversTheSeaAndTheBeachesOnly) {
    PaintMasks masks(island());
    RgbImage sand = masks.sand();
    ASSERT_EQ(sand.width, IslandHeightmap::size);
    for (int row = 0; row < IslandHeightmap::size; row += 3) {
        for (int column = 0; column < IslandHeightmap::size; column += 3) {
            float h = island().heightAt(column, row);
            uint8_t v = sand.at(column, row)[0];
            if (h <= IslandHeightmap::beachTop - 2.0f) {
                ASSERT_EQ(v, 255) << column << "," << row;
            }
            if (h >= IslandHeightmap::beachTop + 3.0f) {
                ASSERT_EQ(v, 0) << column << "," << row;
            }
        }
    }
}

TEST(PaintMasks, RockOnSteepOrHighGroundOnly) {
    PaintMasks masks(island());
    int rocky = 0;
    for (int row = 0; row < IslandHeightmap::size; row += 3) {
        for (int column = 0; column < IslandHeightmap::size; column += 3) {
            GroundWeights w = masks.weightsAt(column, row);
            if (w.rock > 0.0f) {
                ++rocky;
                ASSERT_TRUE(island().slopeAt(column, row) > 1.1f ||
                            island().heightAt(column, row) > 175.0f)
                    << column << "," << row;
            }
        }
    }
    EXPECT_GT(rocky, 100);
}

TEST(PaintMasks, WeightsShareEachVertexAndBaseIsNeverBlack) {
    PaintMasks masks(island());
    RgbImage grass = masks.grass();
    for (int row = 0; row < IslandHeightmap::size; row += 5) {
        for (int column = 0; column < IslandHeightmap::size; column += 5) {
            GroundWeights w = masks.weightsAt(column, row);
            float strongest = std::max(w.sand, std::max(w.rock, w.darkGrass));
            ASSERT_GE(grass.at(column, row)[0], 1) << "an unpainted base is not drawn";
            ASSERT_NEAR(w.grass, std::max(1.0f / 255.0f, 1.0f - strongest), 1e-6f);
            ASSERT_LE(w.rock + w.sand, 1.0001f);
            ASSERT_LE(w.darkGrass + w.rock + w.sand, 1.0001f);
        }
    }
    // Under the sea only sand.
    GroundWeights sea = masks.weightsAt(5, 5);
    EXPECT_EQ(sea.sand, 1.0f);
    EXPECT_EQ(sea.rock, 0.0f);
    EXPECT_EQ(sea.darkGrass, 0.0f);
}

TEST(PaintMasks, DarkGrassGrowsInPatchesInland) {
    PaintMasks masks(island());
    RgbImage dark = masks.darkGrass();
    int patches = 0, samples = 0;
    for (int row = 0; row < IslandHeightmap::size; row += 4) {
        for (int column = 0; column < IslandHeightmap::size; column += 4) {
            if (island().heightAt(column, row) <= IslandHeightmap::beachTop + 3.0f)
                continue;
            ++samples;
            patches += dark.at(column, row)[0] > 128 ? 1 : 0;
        }
    }
    EXPECT_GT(patches, samples / 20);
    EXPECT_LT(patches, samples / 2);
}
