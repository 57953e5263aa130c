#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "landscape/RenderList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A camera at (0, 0, -5) looking along +z sees point-like sectors placed on the
// z axis at the given distances (the reference point lies 0.05 below minZ).
struct PointSectors {
    Landscape land;
    Vector3 eye{0, 0, -5};
    Vector3 angles{0, 180, 0};

    explicit PointSectors(const std::vector<float>& distances) {
        land.cameraPosition = &eye;
        land.cameraAngles = &angles;
        land.cullRadius = 100;
        land.sectors.resize(distances.size());
        land.renderList.assign(distances.size(), -1);
        land.sectorCount = int32_t(distances.size());
        land.sectorsAcross = land.sectorCount;
        land.sectorsDown = 1;
        for (size_t s = 0; s < distances.size(); ++s) {
            Sector& sector = land.sectors[s];
            sector.minX = sector.maxX = 0.05f;
            sector.minZ = sector.maxZ = distances[s] - 5.0f + 0.05f;
            sector.minY = 0;
            sector.maxY = 1;
        }
    }
    std::vector<int32_t> list() {
        land.makeRenderList();
        return std::vector<int32_t>(land.renderList.begin(),
                                    land.renderList.begin() + land.renderCount);
    }
};

using List = std::vector<int32_t>;

} // namespace

TEST(RenderList, OrdersByTruncatedDistanceWithNewcomersBeforeEqualKeys) {
    EXPECT_EQ(PointSectors({5.0f, 5.0f}).list(), (List{1, 0}));
    EXPECT_EQ(PointSectors({5.3f, 5.6f}).list(), (List{0, 1}));
    // Keys are whole numbers: 5.3 is not placed before a sector keyed 5.
    EXPECT_EQ(PointSectors({5.6f, 5.3f}).list(), (List{0, 1}));
    EXPECT_EQ(PointSectors({6.2f, 5.3f}).list(), (List{1, 0}));
    EXPECT_EQ(PointSectors({9, 2, 7, 30, 1}).list(), (List{4, 1, 2, 0, 3}));
}

TEST(RenderList, DrawsASectorExactlyAtTheCullRadiusButNotBeyond) {
    Landscape land;
    land.newMap(16, 16, 16, 1, 1);
    Vector3 eye(7.95f, 10, 10.95f), angles(90, 0, 0);
    land.cameraPosition = &eye;
    land.cameraAngles = &angles;
    float d = land.sectors[0].sectorDistance(eye);
    EXPECT_NEAR(d, 3.0f, 1e-5f);
    EXPECT_EQ(land.sectors[0].sectorDistance({7.95f, 1000, 10.95f}), d); // heights play no part
    land.cullRadius = d;
    land.makeRenderList();
    EXPECT_EQ(land.renderCount, 1);
    land.cullRadius = std::nextafter(d, 0.0f);
    land.makeRenderList();
    EXPECT_EQ(land.renderCount, 0);
}

TEST(RenderList, LeavesOutSectorsBehindTheCamera) {
    Landscape land;
    land.newMap(16, 48, 16, 1, 1); // three sectors along z
    Vector3 eye(8, 1, 20), angles(0, 180, 0);
    land.cameraPosition = &eye;
    land.cameraAngles = &angles;
    land.cullRadius = 1000;
    land.makeRenderList();
    ASSERT_EQ(land.renderCount, 2); // looking along +z: the sector at z 0..16 is behind
    EXPECT_EQ(land.renderList[0], 1);
    EXPECT_EQ(land.renderList[1], 2);

    angles.y = 0; // looking along -z
    land.makeRenderList();
    ASSERT_EQ(land.renderCount, 2);
    EXPECT_EQ(land.renderList[0], 1);
    EXPECT_EQ(land.renderList[1], 0);

    angles.set(90, 0, 0); // looking straight down: everything below is in front
    eye.z = 26;
    land.makeRenderList();
    ASSERT_EQ(land.renderCount, 3);
    EXPECT_EQ(land.renderList[0], 1);
    EXPECT_EQ(land.renderList[1], 2);
    EXPECT_EQ(land.renderList[2], 0);
}

TEST(RenderList, PointBehindTheCameraIsOppositeTheViewDirection) {
    Vector3 b = pointBehindCamera({1, 2, 3}, {0, 90, 0}); // yaw 90 looks along +x
    EXPECT_NEAR(b.x, 0.9f, 1e-5f);
    EXPECT_NEAR(b.y, 2.0f, 1e-5f);
    EXPECT_NEAR(b.z, 3.0f, 1e-5f);
    b = pointBehindCamera({0, 0, 0}, {-90, 0, 0}); // pitch -90 looks up
    EXPECT_NEAR(b.y, -0.1f, 1e-5f);
}

TEST(RenderListDeathTest, ReachingTheLimitEndsTheProgramWithAFailureStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::vector<float> distances(1100, 2000.0f);
    for (int s = 0; s < 1023; ++s)
        distances[size_t(s) * 1100 / 1023] = 5.0f + s * 0.01f;
    PointSectors scene(distances);
    scene.land.makeRenderList();
    EXPECT_EQ(scene.land.renderCount, 1023); // far sectors do not count towards the limit

    // One more visible sector, even the very last one of the map, is one too many.
    scene.land.sectors[1099].minZ = scene.land.sectors[1099].maxZ = 0.05f;
    ASSERT_EQ(distances[1099], 2000.0f);
    EXPECT_EXIT(scene.land.makeRenderList(), testing::ExitedWithCode(1),
                "To many sectors for makerenderlist to handle");
}
