#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "landscape/RenderList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
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
    const std::pair<std::vector<float>, List> cases[] = {
        {{5.0f, 5.0f}, {1, 0}}, {{5.3f, 5.6f}, {0, 1}},
        {{5.6f, 5.3f}, {0, 1}}, // keys are whole numbers: 5.3 is not placed before 5.6
        {{6.2f, 5.3f}, {1, 0}}, {{9, 2, 7, 30, 1}, {4, 1, 2, 0, 3}},
        {{100, 100.01f}, {0}}, // the cull radius itself is still drawn
    };
    for (const auto& c : cases)
        EXPECT_EQ(PointSectors(c.first).list(), c.second) << c.first[0] << " " << c.first[1];
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
