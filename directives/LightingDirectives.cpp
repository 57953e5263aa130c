// Directives that bake light and paint textures into the terrain: "setsundir",
// "multsundir", "sunambient", "sunlight", "traceshadows", "startpaint",
// "maptexture" and "endpaint". They fill the interpreter's lighting block and
// paint canvas and hand the work to them. Every command that changes the
// faces' colours or starts a canvas first takes a copying undo step; the
// lighting block is pointed at the current Landscape just before each call.
//
// Order matters: "sunambient" resets every overlay coverage, so painting has
// to end after it, while "sunlight" (adds) and "traceshadows" (multiplies)
// keep the coverage.

#include "directives/DirectiveScript.h"

#include "landscape/Landscape.h"
#include "platform/MessageBox.h"

void DirectiveScript::setSunDirDirective() {
    Vector3 direction = readVector();
    lightingParams.sunDirection = direction;
    lightingParams.sunDirection.normalize();
    if (lightingParams.landscape != nullptr)
        lightingParams.landscape->sunDirection = lightingParams.sunDirection;
    currentLandscape->sunDirection = direction;
    currentLandscape->sunDirection.normalize();
}

// Only the lighting block's direction is scaled: a longer vector strengthens
// the next "sunlight" and lengthens nothing else. No Landscape is touched.
void DirectiveScript::multSunDirDirective() {
    float factor = readReal(first);
    Vector3& direction = lightingParams.sunDirection;
    direction.set(direction.x * factor, direction.y * factor, direction.z * factor);
}

// Reads three argument lines (real) as a vector: x, y, z or red, green, blue.
Vector3 DirectiveScript::readVector() {
    float r = readReal(first);
    float g = readReal(first);
    float b = readReal(first);
    return Vector3(r, g, b);
}

void DirectiveScript::sunAmbientDirective() {
    lightingParams.ambientColour = readVector();
    lightingParams.landscape = pushState(true);
    lightingParams.applyAmbient();
}

// "sunlight" and "traceshadows" work on a finalized copy of the current map.
Landscape* DirectiveScript::pushFinalizedCopy() {
    Landscape* landscape = pushState(true);
    landscape->finalize();
    return landscape;
}

void DirectiveScript::sunlightDirective() {
    lightingParams.landscape = pushFinalizedCopy();
    lightingParams.sunColour = readVector();
    lightingParams.applySunlight();
}

void DirectiveScript::traceShadowsDirective() {
    lightingParams.landscape = pushFinalizedCopy();
    lightingParams.shadowColour = readVector();
    lightingParams.traceShadows(true);
}

void DirectiveScript::startPaintDirective() {
    Landscape* landscape = pushState(true);
    paintCanvas.release();
    paintCanvas.begin(landscape);
}

// Paints on the Landscape of the last "startpaint", which need not be the
// current one. The layer is the first character of its line as a digit; the
// canvas has layers 0 and 1 only, so anything else is refused and reported.
void DirectiveScript::mapTextureDirective() {
    readArgument(first);
    readArgument(second);
    readArgument(third);
    int layer = third[0] - '0';
    if (layer != 0 && layer != 1) {
        messageBox("Invalid layer in maptexture", "Implementor Error", MB_OK);
        return;
    }
    paintCanvas.mapTexture(first, second, layer);
}

void DirectiveScript::endPaintDirective() {
    paintCanvas.finish();
}
