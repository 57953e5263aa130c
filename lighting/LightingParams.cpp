#include "lighting/LightingParams.h"

#include "geometry/Vector4.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "lighting/ProgressBar.h"
#include "lighting/ShadowTracer.h"
#include "platform/Presenter.h"
#include "platform/WorkerPool.h"

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

// Applies one change to the corner RGB of both layers, which the light keeps
// equal unless painting or a map file made them differ. Where both layers hold
// one block it is changed once and stays shared: the same arithmetic on the
// same values gives the same bits.
template <class Change> void changeBothLayers(Sector& sector, Change change) {
    bool shared = sector.overlayColours.sharesBlockWith(sector.colours);
    sector.colours.update(change);
    if (shared)
        sector.overlayColours = sector.colours;
    else
        sector.overlayColours.update(change);
}

// Makes sector hold previous's corner RGB of both layers where they are the
// same values, keeping its two layers in one block if they were.
void shareColoursIfEqual(const Sector& previous, Sector& sector) {
    const bool oneBlock = sector.overlayColours.sharesBlockWith(sector.colours);
    previous.colours.shareIfEqual(sector.colours);
    if (oneBlock)
        sector.overlayColours = sector.colours;
    else
        previous.overlayColours.shareIfEqual(sector.overlayColours);
}

} // namespace

// Every corner of both layers takes the ambient colour and the overlay loses
// its coverage. Sectors with as many faces hold one block of that colour.
void LightingParams::applyAmbient() {
    if (landscape == nullptr)
        return;
    const FaceColours ambient{{ambientColour, ambientColour, ambientColour}};
    SharedArray<FaceColours> uniform;
    int count = sectorsPresent(*landscape);
    for (int s = 0; s < count; ++s) {
        Sector& sector = landscape->sectors[s];
        size_t faces = sector.colours.size();
        if (uniform.size() != faces)
            uniform.assign(faces, ambient);
        sector.colours = uniform;
        if (sector.overlayColours.size() == faces)
            sector.overlayColours = uniform;
        else
            sector.overlayColours.assign(sector.overlayColours.size(), ambient);
        sector.overlayAlphas.assign(sector.overlayAlphas.size(), FaceAlphas{{0.0f, 0.0f, 0.0f}});
    }
}

// Each corner belongs to exactly one vertex, so one pass over the faces adds
// every vertex's light to all of its corners, each exactly once. The overlay
// alpha has 0 added (which still turns -0 into 0). Sectors are lit apart from
// each other, on all cores; neighbours that end in the same colours (flat
// ground in the open) share them.
void LightingParams::applySunlight() {
    if (landscape == nullptr)
        return;
    std::vector<Sector>& sectors = landscape->sectors;
    WorkerPool::shared().forEach(sectorsPresent(*landscape), 16, [&](int begin, int end, int) {
        std::vector<Vector3> light;
        for (int s = begin; s < end; ++s) {
            Sector& sector = sectors[size_t(s)];
            size_t vertices = verticesWithNormals(sector);
            light.resize(vertices);
            for (size_t v = 0; v < vertices; ++v)
                light[v] = sunColour.times(sunFactor(sector.normals[v], sunDirection));
            // A corner of no vertex receives no light.
            auto lit = [&](size_t f, int k) {
                return f < sector.corners.size() && sector.corners[f].vertex[k] < vertices;
            };
            changeBothLayers(sector, [&](size_t f, FaceColours& face) {
                for (int k = 0; k < 3; ++k)
                    if (lit(f, k))
                        face.corner[k].add(light[sector.corners[f].vertex[k]]);
            });
            sector.overlayAlphas.update([&](size_t f, FaceAlphas& face) {
                for (int k = 0; k < 3; ++k)
                    if (lit(f, k))
                        face.corner[k] += 0.0f;
            });
            if (s > begin)
                shareColoursIfEqual(sectors[size_t(s) - 1], sector);
        }
    });
}

// Shadowed vertices have their corners multiplied by the shadow colour; the
// overlay alpha is multiplied by 1 and so kept.
static void darkenShadowedCorners(Sector& sector, const std::vector<uint8_t>& shadowed,
                                  Vector3 shadowColour) {
    auto dark = [&](size_t f, int k) {
        if (f >= sector.corners.size())
            return false;
        uint32_t v = sector.corners[f].vertex[k];
        return v < shadowed.size() && shadowed[v];
    };
    changeBothLayers(sector, [&](size_t f, FaceColours& face) {
        for (int k = 0; k < 3; ++k) {
            Vector3& c = face.corner[k];
            if (dark(f, k))
                c.set(c.x * shadowColour.x, c.y * shadowColour.y, c.z * shadowColour.z);
        }
    });
    sector.overlayAlphas.update([&](size_t f, FaceAlphas& face) {
        for (int k = 0; k < 3; ++k)
            if (dark(f, k))
                face.corner[k] *= 1.0f;
    });
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
