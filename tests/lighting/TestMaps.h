#pragma once
// Small maps for the lighting tests: a flat map from newMap, raised by a
// height function of the ground position (so that the copies of a border
// vertex in neighbouring sectors always agree) and finalised.

#include "landscape/Landscape.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

using HeightFunction = std::function<float(float x, float z)>;

inline void makeMap(Landscape& land, int width, int depth, int sectorSize, int resolution,
                    const HeightFunction& height) {
    float step = 1.0f / float(resolution);
    land.newMap(width, depth, sectorSize, step, step);
    for (Sector& sector : land.sectors)
        sector.positions.update([&](size_t, Vector3& p) { p.y = height(p.x, p.z); });
    land.finalize();
}

inline uint32_t mixBits(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

// A repeatable pseudo-random value in [0, 1) for a ground position.
inline float noiseAt(float x, float z, uint32_t seed) {
    uint32_t ix = uint32_t(int32_t(std::lround(x * 64.0f)));
    uint32_t iz = uint32_t(int32_t(std::lround(z * 64.0f)));
    uint32_t h = mixBits(ix * 0x9e3779b1u ^ mixBits(iz + 0x632be5abu * seed));
    return float(h >> 8) / 16777216.0f;
}

inline HeightFunction flatHeights() {
    return [](float, float) { return 0.0f; };
}

// Rolling hills with heights that carry many fraction bits.
inline HeightFunction smoothHeights(uint32_t seed, float amplitude) {
    float phase = float(seed % 97) * 0.37f;
    return [=](float x, float z) {
        return amplitude * (0.5f + 0.3f * std::sin(0.21f * x + phase) * std::cos(0.17f * z) +
                            0.2f * std::sin(0.05f * (x + z) + 2.0f * phase));
    };
}

// Independent random heights at every vertex, with an occasional tall spike.
inline HeightFunction spikyHeights(uint32_t seed, float amplitude) {
    return [=](float x, float z) {
        float h = amplitude * noiseAt(x, z, seed);
        if (noiseAt(x, z, seed + 1000u) < 0.04f)
            h += 4.0f * amplitude;
        return h;
    };
}

// Flat terraces of whole units with vertical-looking cliffs between them:
// many heights repeat exactly, so rays graze faces and pass through corners.
inline HeightFunction terraceHeights(uint32_t seed) {
    return [=](float x, float z) {
        return std::floor(4.0f * noiseAt(std::floor(x / 4.0f), std::floor(z / 4.0f), seed));
    };
}

// Every corner's colour and overlay colour, compared bit for bit. Returns an
// empty string when all agree, else a description of the first difference.
inline std::string cornerDifference(const Landscape& a, const Landscape& b) {
    if (a.sectorCount != b.sectorCount)
        return "sector counts differ";
    for (int s = 0; s < a.sectorCount; ++s) {
        const Sector& sa = a.sectors[s];
        const Sector& sb = b.sectors[s];
        if (sa.faceCount != sb.faceCount)
            return "face counts differ";
        for (int f = 0; f < sa.faceCount; ++f)
            for (int k = 0; k < 3; ++k) {
                const SectorFace fa = sa.face(f);
                const SectorFace fb = sb.face(f);
                if (std::memcmp(&fa.colour[k], &fb.colour[k], sizeof(Vector3)) != 0 ||
                    std::memcmp(&fa.overlayColour[k], &fb.overlayColour[k], sizeof(Vector4)) != 0) {
                    return "sector " + std::to_string(s) + " face " + std::to_string(f) +
                           " corner " + std::to_string(k);
                }
            }
    }
    return "";
}

// Vertex positions compared bit for bit.
inline bool samePositions(const Landscape& a, const Landscape& b) {
    if (a.sectorCount != b.sectorCount)
        return false;
    for (int s = 0; s < a.sectorCount; ++s) {
        const auto& pa = a.sectors[s].positions;
        const auto& pb = b.sectors[s].positions;
        if (pa.size() != pb.size() ||
            std::memcmp(pa.data(), pb.data(), pa.size() * sizeof(Vector3)) != 0)
            return false;
    }
    return true;
}
