#include "tools/ValueNoise.h"

#include <cmath>

namespace {

uint32_t mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}

int wrap(int i, int period) {
    if (period <= 0)
        return i;
    int r = i % period;
    return r < 0 ? r + period : r;
}

} // namespace

float ValueNoise::lattice(int ix, int iy) const {
    uint32_t h = mix(uint32_t(ix) * 0x9E3779B1u ^ mix(uint32_t(iy) * 0x85EBCA77u ^ seed_));
    return float(h >> 8) * (1.0f / 16777216.0f);
}

float ValueNoise::at(float x, float y, int period) const {
    float fx = std::floor(x);
    float fy = std::floor(y);
    int ix = int(fx);
    int iy = int(fy);
    float tx = smooth(x - fx);
    float ty = smooth(y - fy);
    int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    int y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    float top = lattice(x0, y0) + (lattice(x1, y0) - lattice(x0, y0)) * tx;
    float bottom = lattice(x0, y1) + (lattice(x1, y1) - lattice(x0, y1)) * tx;
    return top + (bottom - top) * ty;
}

float ValueNoise::fractal(float x, float y, int octaves, int period) const {
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * at(x, y, period);
        total += weight;
        weight *= 0.5f;
        // Whole-number shifts keep the octaves' lattice points from lining up
        // without breaking the period.
        x = x * 2.0f + 17.0f;
        y = y * 2.0f + 31.0f;
        if (period > 0)
            period *= 2;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

float ValueNoise::ridged(float x, float y, int octaves) const {
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        float n = at(x, y);
        sum += weight * (1.0f - std::fabs(2.0f * n - 1.0f));
        total += weight;
        weight *= 0.5f;
        x = x * 2.0f + 5.3f;
        y = y * 2.0f + 9.1f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}
