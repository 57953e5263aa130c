// The engine's ambient, sunlight and shadow baking against the plain,
// step-by-step versions: on many small maps (flat, smooth, spiky, terraced;
// several sector sizes and resolutions; square and not) and suns (overhead,
// along the axes, diagonal, low, on and below the horizon, none, scaled),
// every corner's colour and overlay colour must come out bit for bit the same.

#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "lighting/LightingParams.h"
#include "platform/WorkerPool.h"
#include "tests/lighting/ReferenceLighting.h"
#include "tests/lighting/TestMaps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Relief { Flat, Smooth, Spiky, Terraces };

struct Scenario {
    int width, depth, sectorSize, resolution;
    Relief relief;
    unsigned seed;
    Vector3 sun;
    bool normalise; // as "setsundir" leaves it; false: used as given ("multsundir")
};

HeightFunction heightsFor(const Scenario& s) {
    switch (s.relief) {
    case Relief::Flat:
        return flatHeights();
    case Relief::Smooth:
        return smoothHeights(s.seed, 5.0f);
    case Relief::Spiky:
        return spikyHeights(s.seed, 2.5f);
    case Relief::Terraces:
    default:
        return terraceHeights(s.seed);
    }
}

void configure(LightingParams& params, Landscape& land, const Scenario& s) {
    params.landscape = &land;
    params.sunDirection = s.sun;
    if (s.normalise)
        params.sunDirection.normalize();
    params.ambientColour = Vector3(0.35f, 0.4f, 0.45f);
    params.sunColour = Vector3(1.0f, 0.9f, 0.7f);
    params.shadowColour = Vector3(0.55f, 0.6f, 0.7f);
}

class BakingEquality : public testing::TestWithParam<Scenario> {};

// The engine's baking runs once on one thread and once on four, whatever the
// machine has; both must match the plain version.
TEST_P(BakingEquality, EveryCornerMatchesThePlainVersionOnOneThreadAndOnFour) {
    const Scenario& s = GetParam();
    Landscape plain;
    makeMap(plain, s.width, s.depth, s.sectorSize, s.resolution, heightsFor(s));
    ASSERT_GT(plain.sectorCount, 0);
    // Painted coverage in the overlay alpha must survive sunlight and shadows.
    auto paint = [](Landscape& land) {
        for (int i = 0; i < land.sectorCount; ++i)
            land.sectors[i].setOverlayColours(1, 1, 1, 0.125f * float(i % 8));
    };
    paint(plain);
    LightingParams plainParams;
    configure(plainParams, plain, s);
    referenceApplyAmbient(plainParams);
    referenceApplySunlight(plainParams);
    referenceTraceShadows(plainParams);

    for (int threads : {1, 4}) {
        WorkerPool::setSharedThreadCount(threads);
        Landscape fast;
        makeMap(fast, s.width, s.depth, s.sectorSize, s.resolution, heightsFor(s));
        paint(fast);
        LightingParams fastParams;
        configure(fastParams, fast, s);
        fastParams.applyAmbient();
        fastParams.applySunlight();
        fastParams.traceShadows(false);
        EXPECT_EQ(cornerDifference(fast, plain), "") << threads << " threads";
        EXPECT_TRUE(samePositions(fast, plain));
    }
    WorkerPool::setSharedThreadCount(0);
}

std::vector<Scenario> scenarios() {
    const Vector3 suns[] = {
        Vector3(0, 1, 0),            // overhead
        Vector3(1, 1, 0),            // along x
        Vector3(0, 1, 1),            // along z
        Vector3(1, 0, 0),            // on the horizon along x
        Vector3(1, 0.25f, 0.6f),     // low
        Vector3(-0.8f, 0.3f, -0.5f), // low from the other side
        Vector3(1, 0.35f, 1),        // along the cells' diagonals
        Vector3(1, 0.3f, -1),        // along the faces' split diagonal
        Vector3(0.4f, -0.5f, 0.3f),  // below the horizon
        Vector3(0, 0, 0),            // no sun set
        Vector3(2e-4f, 1, 1e-4f),    // nearly overhead: very short ground ray
        Vector3(-0.2f, 0.15f, 1),    // low, mostly along z
    };
    struct Shape {
        int width, depth, sectorSize, resolution;
        Relief relief;
    };
    const Shape shapes[] = {
        {32, 32, 8, 1, Relief::Spiky},    {32, 32, 8, 1, Relief::Smooth},
        {48, 32, 16, 2, Relief::Spiky},   {24, 40, 8, 4, Relief::Terraces},
        {16, 16, 16, 1, Relief::Spiky},   {40, 24, 8, 3, Relief::Smooth},
        {32, 16, 8, 2, Relief::Terraces}, {24, 24, 8, 1, Relief::Flat},
    };
    std::vector<Scenario> list;
    unsigned seed = 1;
    for (const Shape& shape : shapes) {
        int index = 0;
        for (const Vector3& sun : suns) {
            // The larger maps take every other sun to keep the plain version's time down.
            bool large = shape.width * shape.depth * shape.resolution * shape.resolution > 2000;
            if (!large || index % 2 == int(seed % 2))
                list.push_back({shape.width, shape.depth, shape.sectorSize, shape.resolution,
                                shape.relief, seed, sun, true});
            ++index;
        }
        ++seed;
    }
    // Directions left as "multsundir" leaves them: longer or shorter than one.
    list.push_back({32, 24, 8, 2, Relief::Spiky, 77, Vector3(0.5f, 0.3f, 0.25f), false});
    list.push_back({32, 24, 8, 2, Relief::Smooth, 78, Vector3(1.2f, 0.8f, -1.6f), false});
    list.push_back({32, 24, 8, 1, Relief::Spiky, 79, Vector3(0, 2, 0), false});
    return list;
}

INSTANTIATE_TEST_SUITE_P(Maps, BakingEquality, testing::ValuesIn(scenarios()));

} // namespace
