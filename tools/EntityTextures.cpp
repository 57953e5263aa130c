#include "tools/EntityTextures.h"

#include "tools/ValueNoise.h"

#include <algorithm>
#include <cmath>

namespace {

struct Colour {
    float r, g, b;
};

Colour mix(Colour a, Colour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint8_t channel(float v) {
    return uint8_t(std::lround(std::clamp(v, 0.0f, 255.0f)));
}

void put(RgbImage& image, int x, int y, Colour c) {
    image.set(x, y, channel(c.r), channel(c.g), channel(c.b));
}

// Distance of a pixel centre from the middle of a square image, in units of
// the image's width (0.5 at the middle of an edge).
float radius(int x, int y, int size) {
    float dx = (float(x) + 0.5f) / float(size) - 0.5f;
    float dy = (float(y) + 0.5f) / float(size) - 0.5f;
    return std::sqrt(dx * dx + dy * dy);
}

float smoothstep(float edge0, float edge1, float x) {
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Fractal noise of an image of `size` pixels whose first octave has cells of
// cellPixels and which repeats every size pixels.
float tiled(const ValueNoise& noise, int x, int y, int size, int cellPixels, int octaves) {
    return noise.fractal(float(x) / cellPixels, float(y) / cellPixels, octaves, size / cellPixels);
}

} // namespace

namespace entitytextures {

RgbImage water() {
    const int size = 128;
    ValueNoise swell(0x77617465u), ripple(0x72697070u);
    RgbImage image(size, size);
    const Colour deep{18, 62, 104}, light{70, 150, 180}, crest{200, 230, 240};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float s = tiled(swell, x, y, size, 32, 3);
            // Ripple crests where a second noise crosses its middle value.
            float r = std::fabs(tiled(ripple, x, y, size, 16, 2) * 2.0f - 1.0f);
            float crestWeight = r < 0.08f ? (0.08f - r) / 0.08f : 0.0f;
            put(image, x, y, mix(mix(deep, light, s), crest, 0.35f * crestWeight));
        }
    }
    return image;
}

RgbImage sun() {
    const int size = 128;
    RgbImage image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float r = radius(x, y, size) * 2.0f; // 1 at the rim of the inscribed disc
            float core = 1.0f - smoothstep(0.07f, 0.13f, r);
            float halo = r < 1.0f ? std::pow(1.0f - r, 2.5f) : 0.0f;
            float v = std::min(1.0f, core + 0.8f * halo) * 255.0f;
            put(image, x, y, Colour{v, v, v * 0.92f});
        }
    }
    return image;
}

RgbaImage alphaBall() {
    const int size = 64;
    RgbaImage image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float r = radius(x, y, size) * 2.0f;
            float a = r < 1.0f ? std::pow(1.0f - smoothstep(0.0f, 1.0f, r), 1.5f) : 0.0f;
            image.set(x, y, 255, 250, 235, channel(a * 255.0f));
        }
    }
    return image;
}

RgbImage palmBark() {
    const int size = 64;
    ValueNoise fibres(0x6261726Bu), grain(0x67726E31u);
    RgbImage image(size, size);
    const Colour dark{92, 72, 50}, light{170, 146, 110};
    for (int y = 0; y < size; ++y) {
        float v = (float(y) + 0.5f) / float(size);
        // The joint between segments: darker and rougher towards v = 1.
        float joint = smoothstep(0.78f, 0.95f, v);
        for (int x = 0; x < size; ++x) {
            float f = fibres.fractal(float(x) / 2.0f, float(y) / 16.0f, 2, 32);
            float g = grain.at(float(x), float(y), size);
            Colour c = mix(dark, light, 0.65f * f + 0.35f * g);
            put(image, x, y, mix(c, Colour{48, 36, 26}, 0.8f * joint));
        }
    }
    return image;
}

RgbImage palmLeaf() {
    const int size = 128;
    ValueNoise shade(0x6C656166u);
    RgbImage image(size, size);
    const Colour dark{28, 70, 20}, light{86, 146, 44}, rib{170, 168, 92};
    for (int y = 0; y < size; ++y) {
        float v = (float(y) + 0.5f) / float(size);
        for (int x = 0; x < size; ++x) {
            float u = (float(x) + 0.5f) / float(size);
            float side = std::fabs(u - 0.5f) * 2.0f; // 0 at the midrib, 1 at the edge
            // Leaflets slant from the midrib towards the tip; between them a dark gap.
            float leaflet = v * 14.0f - side * 1.6f;
            float phase = leaflet - std::floor(leaflet);
            float gap =
                1.0f - smoothstep(0.0f, 0.18f, phase) * (1.0f - smoothstep(0.86f, 1.0f, phase));
            float s = shade.fractal(u * 8.0f, v * 8.0f, 3);
            Colour c = mix(dark, light, 0.35f + 0.5f * s + 0.3f * (1.0f - side) - 0.7f * gap);
            if (side < 0.05f)
                c = mix(c, rib, 1.0f - side / 0.05f);
            put(image, x, y, c);
        }
    }
    return image;
}

RgbImage tankCamo() {
    const int size = 128;
    ValueNoise blotchA(0x63616D31u), blotchB(0x63616D32u), grain(0x63616D33u);
    RgbImage image(size, size);
    const Colour olive{96, 104, 56}, green{52, 68, 36}, brown{104, 84, 56};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float a = tiled(blotchA, x, y, size, 32, 3);
            float b = tiled(blotchB, x, y, size, 32, 3);
            Colour c = olive;
            if (a > 0.58f)
                c = green;
            else if (b > 0.62f)
                c = brown;
            float g = grain.at(float(x), float(y), size) - 0.5f;
            put(image, x, y,
                Colour{c.r * (1.0f + 0.15f * g), c.g * (1.0f + 0.15f * g),
                       c.b * (1.0f + 0.15f * g)});
        }
    }
    return image;
}

RgbImage tankTrack() {
    const int size = 64;
    ValueNoise grain(0x74726B31u);
    RgbImage image(size, size);
    for (int y = 0; y < size; ++y) {
        // Eight links per texture height: a raised bar, then a dark gap.
        float phase = float(y % 8) / 8.0f;
        float bar = phase < 0.55f ? 1.0f : (phase < 0.7f ? 0.4f : 0.0f);
        for (int x = 0; x < size; ++x) {
            float g = grain.at(float(x) / 2.0f, float(y) / 2.0f, size / 2);
            float pin = (x % 32 < 3) ? 0.3f : 0.0f; // the guide teeth down the middle
            float v = 30.0f + 42.0f * bar + 18.0f * g + 20.0f * pin * bar;
            put(image, x, y, Colour{v, v * 0.97f, v * 0.92f});
        }
    }
    return image;
}

RgbImage rocket() {
    const int size = 64;
    RgbImage image(size, size);
    for (int y = 0; y < size; ++y) {
        float v = (float(y) + 0.5f) / float(size);
        bool band = v > 0.7f && v < 0.78f; // behind the nose cone
        for (int x = 0; x < size; ++x) {
            float seam = (x % 16 == 0) ? 0.85f : 1.0f; // panel lines around the body
            Colour c = band ? Colour{190, 40, 30} : Colour{200, 202, 196};
            put(image, x, y, Colour{c.r * seam, c.g * seam, c.b * seam});
        }
    }
    return image;
}

} // namespace entitytextures
