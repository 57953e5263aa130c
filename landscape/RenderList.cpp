// Choosing and ordering the sectors of one frame.

#include "landscape/RenderList.h"

#include "landscape/Landscape.h"
#include "platform/ProgramEnd.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

// Truncated distance of each entry of the render list, parallel to it. One
// array for the whole program: the list never holds renderListLimit entries.
static int32_t distanceKeys[Landscape::renderListLimit];

Vector3 pointBehindCamera(Vector3 position, Vector3 angles) {
    float pitch = angles.x * renderDegreesToRadians;
    float yaw = angles.y * renderDegreesToRadians;
    Vector3 backwards(-std::sin(yaw) * std::cos(pitch), std::sin(pitch),
                      std::cos(yaw) * std::cos(pitch));
    return position.plus(backwards.times(0.1f));
}

// The key stored for a distance: truncated towards zero, held within int32.
static int32_t distanceKey(float distance) {
    if (distance >= float(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return int32_t(distance);
}

void Landscape::makeRenderList() {
    renderCount = 0;
    if (cameraPosition == nullptr || cameraAngles == nullptr)
        return;
    Vector3 eye = *cameraPosition;
    Vector3 behind = pointBehindCamera(eye, *cameraAngles);

    size_t candidates = std::min(sectors.size(), renderList.size());
    if (sectorCount >= 0)
        candidates = std::min(candidates, size_t(sectorCount));
    for (size_t s = 0; s < candidates; ++s) {
        const Sector& sector = sectors[s];
        float distance = sector.sectorDistance(eye);
        // Equal to the radius is still drawn; a distance that is not a number is not.
        if (distance <= cullRadius && sector.inFrontOf(eye, behind)) {
            // Keys are ascending, so the first key not less than the distance is
            // found by bisection; equal distances put the newcomer first.
            int32_t* end = distanceKeys + renderCount;
            int32_t* slot = std::lower_bound(distanceKeys, end, distance,
                                             [](int32_t key, float d) { return float(key) < d; });
            size_t k = size_t(slot - distanceKeys);
            size_t moved = size_t(renderCount) - k;
            std::memmove(distanceKeys + k + 1, distanceKeys + k, moved * sizeof(int32_t));
            std::memmove(renderList.data() + k + 1, renderList.data() + k, moved * sizeof(int32_t));
            distanceKeys[k] = distanceKey(distance);
            renderList[k] = int32_t(s);
            ++renderCount;
        }
        if (renderCount >= renderListLimit) {
            endProgram("To many sectors for makerenderlist to handle!!!", 1);
        }
    }
}

float Sector::sectorDistance(Vector3 cameraPosition) const {
    float referenceX = (maxX - minX - 0.1f) * 0.5f + minX;
    float referenceZ = (maxZ - minZ - 0.1f) * 0.5f + minZ;
    return Vector3(referenceX - cameraPosition.x, 0.0f, referenceZ - cameraPosition.z).length();
}

bool Sector::inFrontOf(Vector3 cameraPoint, Vector3 behindPoint) const {
    const Vector3 corners[8] = {
        {minX, maxY, minZ}, {minX, minY, minZ}, {minX, maxY, maxZ}, {minX, minY, maxZ},
        {maxX, maxY, minZ}, {maxX, minY, minZ}, {maxX, maxY, maxZ}, {maxX, minY, maxZ},
    };
    for (const Vector3& corner : corners) {
        float toBehind = corner.distanceTo(behindPoint);
        float toCamera = corner.distanceTo(cameraPoint);
        if (toCamera <= toBehind)
            return true;
    }
    return false;
}
