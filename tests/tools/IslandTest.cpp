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

// The walk starts at (200, 200) looking south-east, along (0.707, 0.707) in
// pixels (x = column, z = row). A place in that view is t pixels ahead and s
// pixels to the right, (-0.707, 0.707).
float heightInView(float t, float s) {
    const float c = 0.70710678f;
    int column = int(std::lround(200.0f + c * (t - s)));
    int row = int(std::lround(200.0f + c * (t + s)));
    return island().heightAt(column, row);
}

// Highest ground in the part of the view t0..t1 ahead and s0..s1 to the right.
float highestInView(float t0, float t1, float s0, float s1) {
    float highest = 0.0f;
    for (float t = t0; t <= t1; t += 1.0f)
        for (float s = s0; s <= s1; s += 1.0f)
            highest = std::max(highest, heightInView(t, s));
    return highest;
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

TEST(Island, FromTheStartAValleyLeadsBetweenHillsToARange) {
    // 120 height values are 18 units at the demo's height scale: hills that
    // rise well above an eye standing at the start.
    const float start = island().heightAt(200, 200);
    float floor = 255.0f;
    for (float t = 20.0f; t <= 80.0f; t += 1.0f)
        for (float s = -8.0f; s <= 8.0f; s += 1.0f)
            floor = std::min(floor, heightInView(t, s));
    EXPECT_LT(floor, start) << "the valley lies below the start";
    EXPECT_GT(floor, IslandHeightmap::shore) << "and is dry land";
    EXPECT_GE(highestInView(25.0f, 100.0f, -60.0f, -12.0f), start + 120.0f) << "hills on the left";
    EXPECT_GE(highestInView(25.0f, 100.0f, 12.0f, 60.0f), start + 120.0f) << "hills on the right";
    EXPECT_GE(highestInView(95.0f, 140.0f, -20.0f, 20.0f), start + 120.0f) << "a range ahead";
}

TEST(Island, HeadlandHillsAreSteepButNeitherCliffsNorClippedFlat) {
    int steep = 0;
    for (int row = 120; row < 380; ++row) {
        for (int column = 120; column < 380; ++column) {
            ASSERT_LT(island().heightAt(column, row), 255.0f)
                << column << "," << row << ": a hill top cut off at the largest value";
            float slope = island().slopeAt(column, row);
            ASSERT_LE(slope, 12.0f) << column << "," << row << ": a cliff";
            steep += slope >= PaintMasks::rockSlopeFull ? 1 : 0;
        }
    }
    EXPECT_GT(steep, 300) << "flanks steep enough to be rock";
}

TEST(Island, CreekBedLiesBelowItsBanksAndEndsOnTheBeach) {
    int bedPoints = 0, westEnd = IslandHeightmap::size, westRow = 0;
    for (int row = 100; row < 400; ++row) {
        for (int column = 30; column < 400; ++column) {
            if (island().creekDistanceAt(column, row) >= 0.7f)
                continue;
            if (column < westEnd) {
                westEnd = column;
                westRow = row;
            }
            float bed = island().heightAt(column, row);
            if (bed <= IslandHeightmap::beachTop + 3.0f)
                continue; // the mouth, where the creek meets the beach
            // The banks: ground 10 pixels away that is well clear of the bed.
            float banks = 0.0f;
            int count = 0;
            for (int k = 0; k < 16; ++k) {
                int c = column + int(std::lround(10.0 * std::cos(k * 0.3926991)));
                int r = row + int(std::lround(10.0 * std::sin(k * 0.3926991)));
                if (island().creekDistanceAt(c, r) < 8.0f)
                    continue;
                banks += island().heightAt(c, r);
                ++count;
            }
            ASSERT_GE(count, 2) << column << "," << row;
            EXPECT_LT(bed, banks / count) << column << "," << row;
            ++bedPoints;
        }
    }
    EXPECT_GT(bedPoints, 100);
    EXPECT_LE(island().heightAt(westEnd, westRow), IslandHeightmap::beachTop + 3.0f)
        << "the creek runs out onto the beach at " << westEnd << "," << westRow;
}

TEST(Island, SameIslandEveryTime) {
    IslandHeightmap again;
    for (int row = 0; row < IslandHeightmap::size; row += 7) {
        for (int column = 0; column < IslandHeightmap::size; column += 7)
            ASSERT_EQ(again.heightAt(column, row), island().heightAt(column, row));
    }
}

// ---------------------------------------------------------------- masks

TEST(PaintMasks, SandCoversTheSeaTheBeachesAndTheCreekBedOnly) {
    PaintMasks masks(island());
    RgbImage sand = masks.sand();
    ASSERT_EQ(sand.width, IslandHeightmap::size);
    // The bed's edge wanders by up to 2 pixels and fades over 3 more.
    const float inBed = PaintMasks::creekSandWidth - 2.0f;
    const float clearOfBed = PaintMasks::creekSandWidth + 5.0f;
    int bed = 0;
    for (int row = 0; row < IslandHeightmap::size; row += 3) {
        for (int column = 0; column < IslandHeightmap::size; column += 3) {
            float h = island().heightAt(column, row);
            float creek = island().creekDistanceAt(column, row);
            uint8_t v = sand.at(column, row)[0];
            if (h <= IslandHeightmap::beachTop - 2.0f || creek <= inBed) {
                ASSERT_EQ(v, 255) << column << "," << row;
            }
            if (h >= IslandHeightmap::beachTop + 3.0f && creek >= clearOfBed) {
                ASSERT_EQ(v, 0) << column << "," << row;
            }
            bed += h > IslandHeightmap::beachTop + 3.0f && v == 255 ? 1 : 0;
        }
    }
    EXPECT_GT(bed, 20) << "a sandy bed inland, not only beaches";
}

TEST(PaintMasks, RockOnSteepOrHighGroundOnly) {
    PaintMasks masks(island());
    int rocky = 0;
    for (int row = 0; row < IslandHeightmap::size; row += 3) {
        for (int column = 0; column < IslandHeightmap::size; column += 3) {
            GroundWeights w = masks.weightsAt(column, row);
            if (w.rock > 0.0f) {
                ++rocky;
                ASSERT_TRUE(island().slopeAt(column, row) > PaintMasks::rockSlopeStart ||
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

TEST(PaintMasks, NoGroundStopsDeadBetweenTwoNeighbouringVertices) {
    // The painted layers blend at their borders only where each mask passes
    // through in-between weights; a jump from nothing to full coverage between
    // neighbouring vertices would show as a hard edge.
    PaintMasks masks(island());
    const RgbImage layers[] = {masks.grass(), masks.sand(), masks.rock(), masks.darkGrass()};
    for (const RgbImage& mask : layers) {
        int hardEdges = 0;
        for (int row = 0; row + 1 < mask.height; ++row) {
            for (int column = 0; column + 1 < mask.width; ++column) {
                int here = mask.at(column, row)[0];
                hardEdges += std::abs(here - mask.at(column + 1, row)[0]) >= 250 ? 1 : 0;
                hardEdges += std::abs(here - mask.at(column, row + 1)[0]) >= 250 ? 1 : 0;
            }
        }
        EXPECT_EQ(hardEdges, 0);
    }
}
