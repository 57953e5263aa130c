#include "tools/TerrainTextures.h"

#include "tools/ValueNoise.h"

#include <cmath>

namespace {

using terraintextures::size;

// Fractal noise whose first octave has lattice cells of cellPixels pixels and
// which repeats every `size` pixels.
float tiled(const ValueNoise& noise, int x, int y, int cellPixels, int octaves) {
    return noise.fractal(float(x) / cellPixels, float(y) / cellPixels, octaves, size / cellPixels);
}

uint8_t channel(float v) {
    if (v < 0.0f)
        v = 0.0f;
    if (v > 255.0f)
        v = 255.0f;
    return uint8_t(std::lround(v));
}

struct Colour {
    float r, g, b;
};

Colour mix(Colour a, Colour b, float t) {
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Grass: patches of lighter and darker green with short blade streaks.
RgbImage grassLike(uint32_t seed, Colour dark, Colour light) {
    ValueNoise patches(seed), blades(seed ^ 0x5A5A5A5Au), grain(seed ^ 0x0F0F0F0Fu);
    RgbImage image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float p = tiled(patches, x, y, 64, 4);
            // Blade streaks: 2 pixels across, 8 along; with a lattice period of 32
            // they repeat every 64 pixels across and 256 along.
            float streak = blades.at(float(x) / 2.0f, float(y) / 8.0f, 32);
            float g = grain.at(float(x), float(y), size);
            float t = 0.55f * p + 0.30f * streak + 0.15f * g;
            Colour c = mix(dark, light, t);
            image.set(x, y, channel(c.r), channel(c.g), channel(c.b));
        }
    }
    return image;
}

} // namespace

namespace terraintextures {

RgbImage grass() {
    return grassLike(0x67726173u, {40, 88, 26}, {118, 168, 62});
}

RgbImage darkGrass() {
    return grassLike(0x64617267u, {22, 52, 18}, {70, 108, 38});
}

RgbImage sand() {
    ValueNoise dunes(0x73616E64u), grain(0x6772616Eu);
    RgbImage image(size, size);
    const Colour dark{176, 156, 110}, light{226, 210, 160};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float d = tiled(dunes, x, y, 32, 4);
            float g = grain.at(float(x), float(y), size);
            Colour c = mix(dark, light, 0.7f * d + 0.3f * g);
            image.set(x, y, channel(c.r), channel(c.g), channel(c.b));
        }
    }
    return image;
}

RgbImage rock() {
    ValueNoise body(0x726F636Bu), cracks(0x63726163u), grain(0x67726169u);
    RgbImage image(size, size);
    const Colour dark{78, 74, 68}, light{160, 154, 144};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float b = tiled(body, x, y, 64, 5);
            // Cracks are where a second noise crosses its middle value.
            float c = std::fabs(tiled(cracks, x, y, 32, 3) * 2.0f - 1.0f);
            float crack = c < 0.06f ? (0.06f - c) / 0.06f : 0.0f;
            float g = grain.at(float(x), float(y), size);
            float t = 0.65f * b + 0.35f * g - 0.55f * crack;
            Colour col = mix(dark, light, t < 0.0f ? 0.0f : t);
            image.set(x, y, channel(col.r), channel(col.g), channel(col.b));
        }
    }
    return image;
}

} // namespace terraintextures
