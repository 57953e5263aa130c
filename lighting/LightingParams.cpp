#include "lighting/LightingParams.h"

#include "geometry/Vector4.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "lighting/ProgressBar.h"
#include "lighting/ShadowTracer.h"
#include "platform/Presenter.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// How far the map's outer border is lowered while shadows are traced, so that
// the edge of the world casts shadows like a cliff instead of letting the sun
// in from below.
const float borderDrop = 100.0f;

// Sectors that really exist (the count and the array agree on them).
int sectorsPresent(const Landscape& landscape) {
    return int(std::min(size_t(std::max(landscape.sectorCount, 0)), landscape.sectors.size()));
}

// Vertices of a sector that have a normal.
size_t verticesWithNormals(const Sector& sector) {
    return std::min(size_t(std::max(sector.vertexCount, 0)), sector.normals.size());
}

// Sunlight of one vertex: 0.5 * (n . (n + L)), 1 facing the sun, 0 facing away.
float sunFactor(Vector3 normal, Vector3 sun) {
    Vector3 a = normal.plus(sun);
    Vector3 b(normal.x * a.x, normal.y * a.y, normal.z * a.z);
    return 0.5f * (b.x + b.y + b.z);
}

} // namespace

void LightingParams::applyAmbient() {
    if (landscape == nullptr)
        return;
    const Vector4 overlay(ambientColour.x, ambientColour.y, ambientColour.z, 0.0f);
    int count = sectorsPresent(*landscape);
    for (int s = 0; s < count; ++s)
        for (SectorFace& face : landscape->sectors[s].faces)
            for (int k = 0; k < 3; ++k) {
                face.colour[k] = ambientColour;
                face.overlayColour[k] = overlay;
            }
}

// Each corner belongs to exactly one vertex, so one pass over the faces adds
// every vertex's light to all of its corners, each exactly once.
void LightingParams::applySunlight() {
    if (landscape == nullptr)
        return;
    std::vector<Vector3> light;
    int count = sectorsPresent(*landscape);
    for (int s = 0; s < count; ++s) {
        Sector& sector = landscape->sectors[s];
        size_t vertices = verticesWithNormals(sector);
        light.resize(vertices);
        for (size_t v = 0; v < vertices; ++v)
            light[v] = sunColour.times(sunFactor(sector.normals[v], sunDirection));
        for (SectorFace& face : sector.faces)
            for (int k = 0; k < 3; ++k) {
                uint32_t v = face.vertex[k];
                if (v >= vertices)
                    continue; // a corner of no vertex receives no light
                face.colour[k].add(light[v]);
                face.overlayColour[k].add(Vector4(light[v].x, light[v].y, light[v].z, 0.0f));
            }
    }
}

// Shadowed vertices have their corners multiplied by the shadow colour; the
// overlay alpha is multiplied by 1 and so kept.
static void darkenShadowedCorners(Sector& sector, const std::vector<uint8_t>& shadowed,
                                  Vector3 shadowColour) {
    const Vector4 overlayFactor(shadowColour.x, shadowColour.y, shadowColour.z, 1.0f);
    for (SectorFace& face : sector.faces)
        for (int k = 0; k < 3; ++k) {
            uint32_t v = face.vertex[k];
            if (v >= shadowed.size() || !shadowed[v])
                continue;
            Vector3& c = face.colour[k];
            c.set(c.x * shadowColour.x, c.y * shadowColour.y, c.z * shadowColour.z);
            Vector4& o = face.overlayColour[k];
            o.set(o.r * overlayFactor.r, o.g * overlayFactor.g, o.b * overlayFactor.b,
                  o.a * overlayFactor.a);
        }
}

void LightingParams::traceShadows(bool display) {
    if (landscape == nullptr)
        return;
    Landscape& land = *landscape;
    land.lowerBorder(borderDrop);
    land.finalize();

    bool draw = display && progressDisplayAvailable();
    if (draw)
        beginProgressDisplay();
    int count = sectorsPresent(land);
    {
        ShadowTracer tracer(land, sunDirection);
        tracer.traceAll(
            [&](int s) {
                if (draw)
                    showProgressBar(s, count);
            },
            [&](int s, const std::vector<uint8_t>& shadowed) {
                darkenShadowedCorners(land.sectors[s], shadowed, shadowColour);
            });
    }
    if (draw)
        endProgressDisplay();

    // Face bases and normals keep describing the lowered border until the
    // next finalize.
    land.lowerBorder(-borderDrop);
}
