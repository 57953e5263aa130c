// Directives that create and shape the terrain and set the view: "newmap",
// "loadbump", "settexture", "undo", "multvertex", "finalize",
// "normalizetexcoords", "resetpos", "setviewdist" and "setfogcolor".

#include "directives/DirectiveScript.h"

#include "image/Texture.h"
#include "landscape/Landscape.h"
#include "platform/MessageBox.h"
#include "platform/ProgramEnd.h"
#include "platform/SystemMemory.h"

#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

// Whether "newmap" can build the grid: every argument above 0 and every count
// representable (sectors, and vertices and faces of one sector, within 32
// bits), and the five Landscapes of the undo ring, which later commands fill
// with copies of this one, within the machine's physical memory.
DirectiveScript::NewMapSize DirectiveScript::newMapSize(int width, int depth, int sectorSize,
                                                        int resolution, uint64_t machineBytes) {
    if (width <= 0 || depth <= 0 || sectorSize <= 0 || resolution <= 0)
        return NewMapSize::invalid;
    const double largestCount = double(std::numeric_limits<int32_t>::max());
    double sectors = double(width / sectorSize) * double(depth / sectorSize);
    // Vertices along one side of a sector: sectorSize * resolution + 1, and one
    // more for the rounding of the vertex count from the step.
    double side = double(sectorSize) * double(resolution) + 2.0;
    double faces = 2.0 * (side - 1.0) * (side - 1.0);
    if (sectors > largestCount || side * side > largestCount || faces > largestCount)
        return NewMapSize::invalid;
    const double vertexBytes = sizeof(Vector3) * 2 + sizeof(Vector2) * 2; // position, normal, uvs
    const double faceBytes = sizeof(SectorFace) + 2 * sizeof(uint32_t);   // face, two draw orders
    double mapBytes = sectors * (sizeof(Sector) + side * side * vertexBytes + faces * faceBytes);
    if (machineBytes > 0 && UndoRing::slotCount * mapBytes > double(machineBytes))
        return NewMapSize::tooLarge;
    return NewMapSize::accepted;
}

void DirectiveScript::newMapDirective() {
    int width = readInt();
    int depth = readInt();
    int sectorSize = readInt();
    int resolution = readInt();
    NewMapSize size = newMapSize(width, depth, sectorSize, resolution, physicalMemoryBytes());
    if (size == NewMapSize::invalid) {
        messageBox("Invalid parameters for newmap", "Implementor Error", MB_OK);
        return;
    }
    if (size == NewMapSize::tooLarge) {
        // The same end as an allocation that fails while the map is built,
        // without first taking the machine's memory away from everything else.
        endProgram("Out of memory", 1);
    }
    Landscape* landscape = pushState(false);
    float step = float(1.0 / resolution);
    landscape->newMap(width, depth, sectorSize, step, step);
    landscape->finalize();
}

void DirectiveScript::loadBumpDirective() {
    reader.readLine(first, imageNameCapacity);
    if (reader.lastLineMissing()) {
        messageBox("Missing parameters on loadbump", "Implementor Error", MB_OK);
        return;
    }
    readArgument(second);
    if (reader.lastLineMissing()) {
        messageBox("Missing parameters on loadbump", "Implementor Error", MB_OK);
        return;
    }
    float scale = directiveReal(second);
    if (scale == 0.0f) {
        messageBox("Invalid parameters on loadbump", "Implementor Error", MB_OK);
        return;
    }
    Landscape* landscape = pushState(true);
    Texture image;
    if (!image.loadBmp(first) || image.pixels == nullptr || image.width == 0 || image.height == 0)
        return;
    size_t count = size_t(image.width) * image.height;
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[count]);
    std::unique_ptr<float[]> heights(new (std::nothrow) float[count]);
    if (!bytes || !heights)
        return; // an image too large to hold twice more: the copy stays as it was
    image.extractChannel(0, bytes.get());
    for (size_t i = 0; i < count; i++)
        heights[i] = float(bytes[i]) * scale;
    landscape->loadBump(heights.get(), image.width, image.height);
}

void DirectiveScript::setTextureDirective() {
    readArgument(first);
    if (reader.lastLineMissing()) {
        messageBox("Invalid parameter in settexture", "Implementor Error", MB_OK);
        return;
    }
    Landscape* landscape = pushState(true);
    int index = landscape->textures.loadBmpTexture(first, 2);
    landscape->setTexture(index == -1 ? -1 : int32_t(landscape->textures.textureNameAt(index)));
    landscape->finalize();
}

void DirectiveScript::undoDirective() {
    ring.undo();
}

void DirectiveScript::multVertexDirective() {
    float x = readReal(first);
    float y = readReal(first);
    float z = readReal(first);
    pushState(true)->multVertex(x, y, z);
}

void DirectiveScript::finalizeDirective() {
    currentLandscape->finalize();
}

void DirectiveScript::normalizeTexCoordsDirective() {
    pushState(true)->normalizeTexCoords();
}

void DirectiveScript::resetPosDirective() {
    // Whatever the view is bound to (the walker or a camera entity) moves;
    // before anything is bound there is nothing to move.
    if (currentLandscape->cameraAngles != nullptr)
        currentLandscape->cameraAngles->set(0.0f, 135.0f, 0.0f);
    if (currentLandscape->cameraPosition != nullptr)
        currentLandscape->cameraPosition->set(0.0f, 0.0f, 0.0f);
}

void DirectiveScript::setViewDistDirective() {
    readArgument(first);
    readArgument(second);
    currentLandscape->setViewDist(directiveReal(first), directiveReal(second));
}

void DirectiveScript::setFogColorDirective() {
    readArgument(first);
    readArgument(second);
    readArgument(third);
    currentLandscape->setFogColor(directiveReal(first), directiveReal(second),
                                  directiveReal(third));
}
