#include "tools/IslandHeightmap.h"

#include "tools/ValueNoise.h"

#include <algorithm>
#include <cmath>

namespace {

const uint32_t coastSeed = 0x6B657374u;  // "kest"
const uint32_t reliefSeed = 0x75303031u; // "u001"
const uint32_t ridgeSeed = 0x72696467u;  // "ridg"
const uint32_t summitSeed = 0x73756D6Du; // "summ"

float clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float smoothstep(float edge0, float edge1, float v) {
    float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

struct Hill {
    float x, y;   // centre, pixels
    float height; // height values at the top
    float radius; // pixels, standard deviation of the bell
};

// The central mountain and the hills around it.
const Hill hills[] = {
    {560.0f, 420.0f, 115.0f, 85.0f}, // the mountain
    {820.0f, 330.0f, 65.0f, 50.0f},  // north-east hill
    {720.0f, 650.0f, 40.0f, 70.0f},  // the gentle rise of the east plain
    {380.0f, 790.0f, 60.0f, 45.0f},  // south hill
    {230.0f, 560.0f, 45.0f, 40.0f},  // west knoll
};

// The north-west headland reaches out around this point (pixels).
const float headland[2] = {215.0f, 215.0f};

// The valley floor follows this line from the mountain's foot to the coast.
const float valleyPath[][2] = {
    {540.0f, 500.0f}, {470.0f, 600.0f}, {400.0f, 650.0f}, {300.0f, 720.0f}, {170.0f, 860.0f}};
const float valleyWidth = 60.0f; // pixels, half width of the valley's dip

float distanceToSegment(float px, float py, const float* a, const float* b,
                        float* along = nullptr) {
    float dx = b[0] - a[0], dy = b[1] - a[1];
    float lengthSquared = dx * dx + dy * dy;
    float t = lengthSquared > 0.0f ? clamp01(((px - a[0]) * dx + (py - a[1]) * dy) / lengthSquared)
                                   : 0.0f;
    if (along)
        *along = t;
    float ex = a[0] + dx * t - px, ey = a[1] + dy * t - py;
    return std::sqrt(ex * ex + ey * ey);
}

float distanceToPath(float x, float y, const float (*path)[2], int points) {
    float best = 1e9f;
    for (int i = 0; i + 1 < points; ++i)
        best = std::min(best, distanceToSegment(x, y, path[i], path[i + 1]));
    return best;
}

float distanceToValley(float x, float y) {
    return distanceToPath(x, y, valleyPath, int(sizeof valleyPath / sizeof valleyPath[0]));
}

// A hill drawn out along a crest line: full height on the crest, falling in a
// smooth S-curve to nothing at halfWidth from it (steepest half-way down, flat
// at the top and at the foot). A crest of zero length makes a round hill.
struct Ridge {
    float a[2], b[2]; // pixels, the ends of the crest line
    float height;     // height values on the highest part of the crest
    float halfWidth;  // pixels, from the crest to the foot
};

// The headland where the walk starts (the Walker stands at (200, 200) looking
// south-east) is the demo's first picture, so its hills are shaped by hand
// rather than left to the noise: the headland's round top behind the start,
// then a valley running south-east with a grassy knoll on its left, a rocky
// hill on its right, lower ridges beyond both, and a range across its head
// some 100 to 130 pixels away. Heights are added to the plain's relief; the
// steep flanks (over 4.5 height values per pixel) are where rock is painted.
const Ridge headlandRidges[] = {
    {{175.0f, 175.0f}, {175.0f, 175.0f}, 35.0f, 75.0f},  // the headland's round top
    {{264.0f, 158.0f}, {299.0f, 214.0f}, 110.0f, 30.0f}, // north-east ridge
    {{243.0f, 206.0f}, {251.0f, 220.0f}, 125.0f, 32.0f}, // the knoll below it
    {{227.0f, 264.0f}, {235.0f, 278.0f}, 180.0f, 28.0f}, // the rocky hill across the creek
    {{179.0f, 264.0f}, {211.0f, 288.0f}, 110.0f, 28.0f}, // south-west ridge
    {{320.0f, 221.0f}, {278.0f, 278.0f}, 165.0f, 36.0f}, // the range at the valley's head
    {{278.0f, 278.0f}, {221.0f, 320.0f}, 150.0f, 36.0f}, // and its southern half
};

// The dry creek runs from the foot of the range down the valley, passes below
// the start and turns west to the sea. The valley is a broad dip along it, the
// bed a narrow one.
const float creekPath[][2] = {{260.0f, 260.0f}, {232.0f, 236.0f}, {212.0f, 215.0f},
                              {194.0f, 223.0f}, {170.0f, 241.0f}, {130.0f, 262.0f},
                              {70.0f, 285.0f}};
const int creekPoints = int(sizeof creekPath / sizeof creekPath[0]);
const float creekValleyDepth = 15.0f; // height values the valley floor lies below the plain
const float creekValleyWidth = 30.0f; // pixels, half width of the valley's dip
const float creekBedDepth = 6.0f;     // height values the bed lies below its banks
const float creekBedWidth = 6.0f;     // pixels, half width of the bed's dip

float ridgeHeight(const Ridge& ridge, float x, float y, const ValueNoise& summits) {
    float along = 0.0f;
    float d = distanceToSegment(x, y, ridge.a, ridge.b, &along);
    if (d >= ridge.halfWidth)
        return 0.0f;
    // The crest rises and falls along its length, so a ridge shows several
    // tops; spurs and gullies run down the flanks.
    float crest = ridge.height * (0.7f + 0.3f * summits.at(along * 3.0f + ridge.a[0], ridge.a[1]));
    float rough = 0.8f + 0.4f * summits.fractal(x / 18.0f + 50.0f, y / 18.0f, 3);
    return crest * rough * (1.0f - smoothstep(0.0f, ridge.halfWidth, d));
}

// The larger of two hill heights a and b (both 0 or more), with the corner
// rounded over a width of up to `blend`: where two hills meet, the saddle
// between them is a smooth hollow rather than a crease (a crease would leave a
// one-pixel seam of gentle slope, and so of grass, through the rock of both
// flanks). The rounding shrinks to nothing as the lower hill fades out, so
// ground outside every hill stays exactly as it was.
float smoothMax(float a, float b, float blend) {
    float k = std::min(blend, std::min(a, b));
    if (k <= 0.0f)
        return std::max(a, b);
    float h = clamp01(0.5f + 0.5f * (a - b) / k);
    return b + (a - b) * h + k * h * (1.0f - h);
}

// What the headland's hills and the creek add to the relief at (x, y). Where two
// hills meet, the higher one shapes the ground.
float headlandRelief(float x, float y, const ValueNoise& summits) {
    const float saddle = 24.0f; // height values over which the meeting of two hills is rounded
    float hills = 0.0f;
    for (const Ridge& ridge : headlandRidges)
        hills = smoothMax(hills, ridgeHeight(ridge, x, y, summits), saddle);
    float creek = distanceToPath(x, y, creekPath, creekPoints);
    float valley =
        creekValleyDepth * std::exp(-(creek * creek) / (creekValleyWidth * creekValleyWidth));
    float bed = creekBedDepth * std::exp(-(creek * creek) / (creekBedWidth * creekBedWidth));
    return hills - valley - bed;
}

float islandHeight(int column, int row, const ValueNoise& coast, const ValueNoise& relief,
                   const ValueNoise& ridges, const ValueNoise& summits) {
    const float half = (IslandHeightmap::size - 1) * 0.5f;
    float x = float(column), y = float(row);
    float u = (x - half) / half, v = (y - half) / half;

    // A rounded outline that wanders with noise at two scales, drawn out into a
    // headland towards the north-west.
    float radius =
        std::pow(std::pow(std::fabs(u), 2.6f) + std::pow(std::fabs(v), 2.6f), 1.0f / 2.6f);
    radius += 0.24f * (coast.fractal(x / 230.0f, y / 230.0f, 2) - 0.5f);
    radius += 0.07f * (coast.fractal(x / 60.0f + 100.0f, y / 60.0f, 2) - 0.5f);
    float hx = x - headland[0], hy = y - headland[1];
    radius -= 0.22f * std::exp(-(hx * hx + hy * hy) / (2.0f * 120.0f * 120.0f));

    const float coastline = 0.84f; // radius of the waterline
    float height;
    if (radius >= coastline) {
        // The sea floor falls from the waterline to 0.
        height = IslandHeightmap::shore * (1.0f - smoothstep(coastline, coastline + 0.12f, radius));
    } else {
        float beach = smoothstep(coastline, coastline - 0.035f, radius);
        height =
            IslandHeightmap::shore + (IslandHeightmap::beachTop - IslandHeightmap::shore) * beach;

        float inland = smoothstep(coastline - 0.02f, coastline - 0.25f, radius);
        float reliefHeight = 38.0f * relief.fractal(x / 130.0f, y / 130.0f, 5);
        for (const Hill& hill : hills) {
            float dx = x - hill.x, dy = y - hill.y;
            reliefHeight +=
                hill.height * std::exp(-(dx * dx + dy * dy) / (2.0f * hill.radius * hill.radius));
        }
        const Hill& mountain = hills[0];
        float dx = x - mountain.x, dy = y - mountain.y;
        float nearMountain = std::exp(-(dx * dx + dy * dy) / (2.0f * 130.0f * 130.0f));
        reliefHeight += 80.0f * nearMountain * ridges.ridged(x / 70.0f, y / 70.0f, 4);

        float d = distanceToValley(x, y);
        reliefHeight *= 1.0f - 0.75f * std::exp(-(d * d) / (valleyWidth * valleyWidth));

        reliefHeight += headlandRelief(x, y, summits);

        height += inland * reliefHeight;
    }

    // The border is open sea whatever the noise does.
    float edge = float(std::min(std::min(column, row), std::min(IslandHeightmap::size - 1 - column,
                                                                IslandHeightmap::size - 1 - row)));
    height *= smoothstep(0.0f, 48.0f, edge);
    return std::min(255.0f, std::max(0.0f, height));
}

} // namespace

IslandHeightmap::IslandHeightmap() : heights_(size_t(size) * size) {
    ValueNoise coast(coastSeed), relief(reliefSeed), ridges(ridgeSeed), summits(summitSeed);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column)
            heights_[size_t(row) * size + column] =
                islandHeight(column, row, coast, relief, ridges, summits);
    }
}

float IslandHeightmap::creekDistanceAt(int column, int row) const {
    return distanceToPath(float(column), float(row), creekPath, creekPoints);
}

float IslandHeightmap::slopeAt(int column, int row) const {
    int left = std::max(column - 1, 0), right = std::min(column + 1, size - 1);
    int up = std::max(row - 1, 0), down = std::min(row + 1, size - 1);
    float gx = (heightAt(right, row) - heightAt(left, row)) / float(right - left);
    float gy = (heightAt(column, down) - heightAt(column, up)) / float(down - up);
    return std::sqrt(gx * gx + gy * gy);
}

RgbImage IslandHeightmap::toImage() const {
    RgbImage image(size, size);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column)
            image.setGrey(column, row, uint8_t(std::lround(heightAt(column, row))));
    }
    return image;
}
