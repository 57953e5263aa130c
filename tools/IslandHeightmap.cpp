#include "tools/IslandHeightmap.h"

#include "tools/ValueNoise.h"

#include <algorithm>
#include <cmath>

namespace {

const uint32_t coastSeed = 0x6B657374u;  // "kest"
const uint32_t reliefSeed = 0x75303031u; // "u001"
const uint32_t ridgeSeed = 0x72696467u;  // "ridg"

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
    {300.0f, 320.0f, 60.0f, 55.0f},  // north-west hill
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

float distanceToSegment(float px, float py, const float* a, const float* b) {
    float dx = b[0] - a[0], dy = b[1] - a[1];
    float t = clamp01(((px - a[0]) * dx + (py - a[1]) * dy) / (dx * dx + dy * dy));
    float ex = a[0] + dx * t - px, ey = a[1] + dy * t - py;
    return std::sqrt(ex * ex + ey * ey);
}

float distanceToValley(float x, float y) {
    float best = 1e9f;
    const int points = int(sizeof valleyPath / sizeof valleyPath[0]);
    for (int i = 0; i + 1 < points; ++i)
        best = std::min(best, distanceToSegment(x, y, valleyPath[i], valleyPath[i + 1]));
    return best;
}

float islandHeight(int column, int row, const ValueNoise& coast, const ValueNoise& relief,
                   const ValueNoise& ridges) {
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
    ValueNoise coast(coastSeed), relief(reliefSeed), ridges(ridgeSeed);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column)
            heights_[size_t(row) * size + column] =
                islandHeight(column, row, coast, relief, ridges);
    }
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
