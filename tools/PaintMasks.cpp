#include "tools/PaintMasks.h"

#include "tools/ValueNoise.h"

#include <algorithm>
#include <cmath>

namespace {

const uint32_t patchSeed = 0x70617463u; // "patc"

float smoothstep(float edge0, float edge1, float v) {
    float t = (v - edge0) / (edge1 - edge0);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    return t * t * (3.0f - 2.0f * t);
}

uint8_t toByte(float weight) {
    return uint8_t(std::lround(std::min(1.0f, std::max(0.0f, weight)) * 255.0f));
}

} // namespace

PaintMasks::PaintMasks(const IslandHeightmap& island) : island_(island) {}

GroundWeights PaintMasks::weightsAt(int column, int row) const {
    static const ValueNoise patches(patchSeed);
    float height = island_.heightAt(column, row);
    float slope = island_.slopeAt(column, row);

    GroundWeights w;
    w.sand = 1.0f -
             smoothstep(IslandHeightmap::beachTop - 2.0f, IslandHeightmap::beachTop + 3.0f, height);
    // The dry creek bed: a sandy strip whose edge wanders by up to 2 pixels.
    float bank = island_.creekDistanceAt(column, row) +
                 4.0f * (patches.fractal(column / 12.0f + 40.0f, row / 12.0f, 2) - 0.5f);
    w.sand = std::max(w.sand, 1.0f - smoothstep(creekSandWidth, creekSandWidth + 3.0f, bank));
    float steep = std::max(smoothstep(rockSlopeStart, rockSlopeFull, slope),
                           smoothstep(175.0f, 215.0f, height));
    w.rock = steep * (1.0f - w.sand);
    float patch = patches.fractal(column / 45.0f, row / 45.0f, 3);
    float dark = std::max(smoothstep(0.55f, 0.68f, patch), smoothstep(85.0f, 100.0f, height));
    w.darkGrass = dark * (1.0f - w.sand - w.rock);
    float strongest = std::max(w.sand, std::max(w.rock, w.darkGrass));
    w.grass = std::max(1.0f / 255.0f, 1.0f - strongest);
    return w;
}

RgbImage PaintMasks::makeMask(float GroundWeights::*layer) const {
    const int size = IslandHeightmap::size;
    RgbImage mask(size, size);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            GroundWeights w = weightsAt(column, row);
            uint8_t value = toByte(w.*layer);
            if (layer == &GroundWeights::grass && value == 0)
                value = 1;
            mask.setGrey(column, row, value);
        }
    }
    return mask;
}
