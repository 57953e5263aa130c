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
    float x = readReal(first);
    float y = readReal(first);
    float z = readReal(first);
    lightingParams.sunDirection.set(x, y, z);
    lightingParams.sunDirection.normalize();
    if (lightingParams.landscape != nullptr)
        lightingParams.landscape->sunDirection = lightingParams.sunDirection;
    currentLandscape->sunDirection.set(x, y, z);
    currentLandscape->sunDirection.normalize();
}

// Only the lighting block's direction is scaled: a longer vector strengthens
// the next "sunlight" and lengthens nothing else. No Landscape is touched.
void DirectiveScript::multSunDirDirective() {
    float factor = readReal(first);
    Vector3& direction = lightingParams.sunDirection;
    direction.set(direction.x * factor, direction.y * factor, direction.z * factor);
}

void DirectiveScript::sunAmbientDirective() {
    float r = readReal(first);
    float g = readReal(first);
    float b = readReal(first);
    lightingParams.ambientColour.set(r, g, b);
    lightingParams.landscape = pushState(true);
    lightingParams.applyAmbient();
}

void DirectiveScript::sunlightDirective() {
    Landscape* landscape = pushState(true);
    landscape->finalize();
    lightingParams.landscape = landscape;
    float r = readReal(first);
    float g = readReal(first);
    float b = readReal(first);
    lightingParams.sunColour.set(r, g, b);
    lightingParams.applySunlight();
}

void DirectiveScript::traceShadowsDirective() {
    Landscape* landscape = pushState(true);
    landscape->finalize();
    lightingParams.landscape = landscape;
    float r = readReal(first);
    float g = readReal(first);
    float b = readReal(first);
    lightingParams.shadowColour.set(r, g, b);
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
