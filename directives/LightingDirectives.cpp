// Directives that bake light and paint textures into the terrain: "setsundir",
// "multsundir", "sunambient", "sunlight", "traceshadows", "startpaint",
// "maptexture" and "endpaint". For now each reads exactly its argument lines,
// so the script stays in step; the lighting and painting work follows.

#include "directives/DirectiveScript.h"

void DirectiveScript::setSunDirDirective() {
    readArgument(first);
    readArgument(first);
    readArgument(first);
}

void DirectiveScript::multSunDirDirective() {
    readArgument(first);
}

void DirectiveScript::sunAmbientDirective() {
    readArgument(first);
    readArgument(first);
    readArgument(first);
}

void DirectiveScript::sunlightDirective() {
    readArgument(first);
    readArgument(first);
    readArgument(first);
}

void DirectiveScript::traceShadowsDirective() {
    readArgument(first);
    readArgument(first);
    readArgument(first);
}

void DirectiveScript::startPaintDirective() {}

void DirectiveScript::mapTextureDirective() {
    readArgument(first);
    readArgument(second);
    readArgument(third);
}

void DirectiveScript::endPaintDirective() {}
