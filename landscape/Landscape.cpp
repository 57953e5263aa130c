// The world object's life: defaults, a new flat map, the copy taken by the
// undo ring (whose arrays the two share until one writes them), and the
// release of the terrain.

#include "landscape/Landscape.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

Landscape* currentLandscape = nullptr;

// A terrain whose counts cannot even be held fails as an allocation does.
[[noreturn]] static void landscapeOutOfMemory() {
    throw std::bad_alloc();
}

Landscape* Landscape::firstAlive = nullptr;

Landscape::Landscape() {
    Landscape** link = &firstAlive;
    while (*link != nullptr)
        link = &(*link)->nextAlive;
    *link = this;
}

Landscape::~Landscape() {
    release();
    for (Landscape** link = &firstAlive; *link != nullptr; link = &(*link)->nextAlive) {
        if (*link == this) {
            *link = nextAlive;
            break;
        }
    }
}

void Landscape::newMap(int width, int depth, int sectorSize, float stepX, float stepZ) {
    // A map is only ever built on an empty Landscape; start from one whatever
    // the caller left here, so no old sectors survive beside the new ones.
    release();
    if (sectorSize <= 0)
        return;

    int64_t across = width > 0 ? width / sectorSize : 0;
    int64_t down = depth > 0 ? depth / sectorSize : 0;
    int64_t count = across * down;
    if (count > std::numeric_limits<int32_t>::max())
        landscapeOutOfMemory();

    // Allocated before the grid is set: a failure leaves a Landscape without terrain.
    sectors.resize(size_t(count));
    renderList.assign(size_t(count), 0);
    sectorsAcross = int32_t(across);
    sectorsDown = int32_t(down);
    sectorSizeX = float(sectorSize);
    sectorSizeZ = float(sectorSize);
    sectorCount = int32_t(count);
    renderCount = 0;

    // Every sector gets white corners, an overlay of white without coverage,
    // no textures and texture coordinates from its positions, which is what
    // init gives it; sectors of the same grid share their face arrays.
    const Sector* previous = nullptr;
    for (int32_t j = 0; j < sectorsDown; ++j) {
        for (int32_t i = 0; i < sectorsAcross; ++i) {
            int x0 = i * sectorSize;
            int z0 = j * sectorSize;
            Sector& sector = sectorAt(i, j);
            sector.init(float(x0), float(z0), float(x0 + sectorSize), float(z0 + sectorSize), stepX,
                        stepZ, previous);
            previous = &sector;
        }
    }
}

void Landscape::release() {
    invalidateLists();
    for (Sector& sector : sectors)
        sector.freeArrays();
    std::vector<Sector>().swap(sectors);
    std::vector<int32_t>().swap(renderList);
    sectorCount = 0;
    renderCount = 0;
    // Without sectors the grid has no extent either; the height query and the
    // edits walk sectorsAcross x sectorsDown and must find nothing to index.
    sectorsAcross = 0;
    sectorsDown = 0;
}

Landscape* Landscape::cloneInto(Landscape* target) const {
    if (target == this)
        return target;
    if (target == nullptr) {
        target = new Landscape();
    } else {
        target->release();
    }

    target->textures = textures;
    target->cameraPosition = cameraPosition;
    target->cameraAngles = cameraAngles;
    target->sectorCount = sectorCount;
    target->renderCount = renderCount;
    target->sectorsAcross = sectorsAcross;
    target->sectorsDown = sectorsDown;
    target->sectorSizeX = sectorSizeX;
    target->sectorSizeZ = sectorSizeZ;
    target->cullRadius = cullRadius;
    target->fogEnd = fogEnd;
    target->fogDepth = fogDepth;
    target->waterLevel = waterLevel;
    target->fogColour = fogColour;
    target->sunDirection = sunDirection;
    target->underwaterTint = underwaterTint;
    target->frameTime = frameTime;
    target->entities = entities; // shared, not copied
    target->unlistedEntities = unlistedEntities;

    target->renderList = renderList;
    target->sectors = sectors; // the arrays are shared until one side writes them
    return target;
}
