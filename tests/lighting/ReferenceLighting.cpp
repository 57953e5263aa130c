#include "tests/lighting/ReferenceLighting.h"

#include "geometry/Intersection.h"
#include "geometry/Vector2.h"
#include "geometry/Vector4.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "lighting/LightingParams.h"

#include <vector>

namespace {

const int opAdd = 1, opMultiply = 3;

Vector2 rayEnd(Vector2 a, Vector3 direction) {
    Vector2 b = a;
    Vector2 reach(direction.x, direction.z);
    reach.scale(1000.0f);
    b.add(reach);
    return b;
}

bool edgeCrossed(Vector2 a, Vector2 b, Vector2 g0, Vector2 g1) {
    float s = 0.0f;
    float t = segmentIntersection2D(a, b, g0, g1, &s);
    return t != -1.0f && s != 0.0f && s != 1.0f;
}

} // namespace

void referenceApplyAmbient(LightingParams& params) {
    Landscape& land = *params.landscape;
    Vector3 c = params.ambientColour;
    for (int s = 0; s < land.sectorCount; ++s) {
        land.sectors[s].setColours(c.x, c.y, c.z);
        land.sectors[s].setOverlayColours(c.x, c.y, c.z, 0.0f);
    }
}

void referenceApplySunlight(LightingParams& params) {
    if (params.landscape == nullptr)
        return;
    Landscape& land = *params.landscape;
    for (int s = 0; s < land.sectorCount; ++s) {
        Sector& sector = land.sectors[s];
        for (int v = 0; v < sector.vertexCount; ++v) {
            Vector3 n = sector.normals[v];
            Vector3 L = params.sunDirection;
            Vector3 a = n.plus(L);
            Vector3 b(n.x * a.x, n.y * a.y, n.z * a.z);
            float light = 0.5f * (b.x + b.y + b.z);
            Vector3 value = params.sunColour.times(light);
            sector.updateCornerColours(v, 0, value, opAdd);
            sector.updateCornerOverlayColours(v, 0, Vector4(value.x, value.y, value.z, 0.0f),
                                              opAdd);
        }
    }
}

bool referenceReachedBy(const Sector& sector, Vector3 point, Vector3 direction) {
    if (point.x >= sector.minX && point.x <= sector.maxX && point.z >= sector.minZ &&
        point.z <= sector.maxZ)
        return true;
    Vector2 a(point.x, point.z);
    Vector2 b = rayEnd(a, direction);
    if (segmentIntersection2D(a, b, Vector2(sector.minX, sector.minZ),
                              Vector2(sector.maxX, sector.minZ)) >= 0.0f)
        return true;
    if (segmentIntersection2D(a, b, Vector2(sector.maxX, sector.minZ),
                              Vector2(sector.maxX, sector.maxZ)) >= 0.0f)
        return true;
    if (segmentIntersection2D(a, b, Vector2(sector.maxX, sector.maxZ),
                              Vector2(sector.minX, sector.maxZ)) >= 0.0f)
        return true;
    if (segmentIntersection2D(a, b, Vector2(sector.minX, sector.maxZ),
                              Vector2(sector.minX, sector.minZ)) >= 0.0f)
        return true;
    return false;
}

int referenceCollectCrossedFaces(const Sector& sector, Vector3 point, Vector3 direction, int* list,
                                 int capacity) {
    int count = 0;
    Vector2 a(point.x, point.z);
    Vector2 b = rayEnd(a, direction);
    for (int f = 0; f < sector.faceCount; ++f) {
        const SectorFace face = sector.face(f);
        Vector3 p0 = sector.positions[face.vertex[0]];
        Vector3 p1 = sector.positions[face.vertex[1]];
        Vector3 p2 = sector.positions[face.vertex[2]];
        Vector2 g0(p0.x, p0.z), g1(p1.x, p1.z), g2(p2.x, p2.z);
        bool crossed = edgeCrossed(a, b, g0, g1);
        if (!crossed)
            crossed = edgeCrossed(a, b, g1, g2);
        if (crossed) {
            list[count] = f;
            ++count;
            if (count == capacity)
                break;
        }
    }
    return count;
}

bool referenceIsShadowed(const Landscape& landscape, Vector3 point, Vector3 direction,
                         int capacity) {
    static std::vector<int> list; // the reference runs on one thread
    if (list.size() < size_t(capacity))
        list.resize(size_t(capacity));
    for (int k = 0; k < landscape.sectorCount; ++k) {
        const Sector& other = landscape.sectors[k];
        if (!referenceReachedBy(other, point, direction))
            continue;
        int count = referenceCollectCrossedFaces(other, point, direction, list.data(), capacity);
        for (int i = 0; i < count; ++i) {
            const SectorFace face = other.face(list[i]);
            if (point.nearlyEquals(other.positions[face.vertex[0]]) ||
                point.nearlyEquals(other.positions[face.vertex[1]]) ||
                point.nearlyEquals(other.positions[face.vertex[2]]))
                continue;
            Vector3 offset = point.minus(other.positions[face.vertex[0]]);
            if (lineHitsTriangle(face.basisInverse, offset, direction))
                return true;
        }
    }
    return false;
}

void referenceTraceShadows(LightingParams& params) {
    if (params.landscape == nullptr)
        return;
    Landscape& land = *params.landscape;
    land.lowerBorder(100.0f);
    land.finalize();
    for (int s = 0; s < land.sectorCount; ++s) {
        Sector& sector = land.sectors[s];
        for (int v = 0; v < sector.vertexCount; ++v) {
            Vector3 point = sector.positions[v];
            if (!referenceIsShadowed(land, point, params.sunDirection))
                continue;
            Vector3 shade = params.shadowColour;
            sector.updateCornerColours(v, 0, shade, opMultiply);
            sector.updateCornerOverlayColours(v, 0, Vector4(shade.x, shade.y, shade.z, 1.0f),
                                              opMultiply);
        }
    }
    land.lowerBorder(-100.0f);
}
