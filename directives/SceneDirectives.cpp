// Directives that populate the world with entities: "setocean",
// "plantpalmtrees", "clearentities", "createsun", "createcamera", "createtank"
// and "spawn". The entities themselves do not exist in this build yet: each
// directive reads exactly its argument lines, so the script stays in step, and
// changes nothing.

#include "directives/DirectiveScript.h"

void DirectiveScript::setOceanDirective() {
    readArgument(first);
}

void DirectiveScript::plantPalmTreesDirective() {}

void DirectiveScript::clearEntitiesDirective() {}

void DirectiveScript::createSunDirective() {}

void DirectiveScript::createCameraDirective() {}

void DirectiveScript::createTankDirective() {}

void DirectiveScript::spawnDirective() {}
