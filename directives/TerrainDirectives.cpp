// Directives that create and shape the terrain and set the view: "newmap",
// "loadbump", "settexture", "undo", "multvertex", "finalize",
// "normalizetexcoords", "resetpos", "setviewdist" and "setfogcolor".

#include "directives/DirectiveScript.h"

#include "image/Texture.h"
#include "landscape/Landscape.h"
#include "platform/MessageBox.h"

#include <memory>
#include <new>

// True when "newmap" can build the grid: every argument above 0 and the whole
// terrain no larger than maxMapVertices vertices, so an absurd size is refused
// before anything is allocated.
static bool newMapSizeAccepted(int width, int depth, int sectorSize, int resolution,
                               int64_t maxVertices) {
    if (width <= 0 || depth <= 0 || sectorSize <= 0 || resolution <= 0)
        return false;
    double sectors = double(width / sectorSize) * double(depth / sectorSize);
    if (sectors == 0.0)
        return true;
    // Vertices along one side of a sector: sectorSize * resolution + 1, and one
    // more for the rounding of the vertex count from the step.
    double side = double(sectorSize) * double(resolution) + 2.0;
    return sectors * side * side <= double(maxVertices);
}

void DirectiveScript::newMapDirective() {
    int width = readInt();
    int depth = readInt();
    int sectorSize = readInt();
    int resolution = readInt();
    if (!newMapSizeAccepted(width, depth, sectorSize, resolution, maxMapVertices)) {
        messageBox("Invalid parameters for newmap", "Implementor Error", MB_OK);
        return;
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
