// Directives that populate the world with entities: "setocean",
// "plantpalmtrees", "clearentities", "createsun", "createcamera", "createtank"
// and "spawn".

#include "directives/DirectiveScript.h"

#include "entities/Camera.h"
#include "entities/EntityList.h"
#include "entities/Ocean.h"
#include "entities/PalmTree.h"
#include "entities/Sky.h"
#include "entities/Sun.h"
#include "entities/Tank.h"
#include "entities/UnderwaterTint.h"
#include "landscape/Landscape.h"
#include "manus/ManusScript.h"
#include "platform/Random.h"

void DirectiveScript::setOceanDirective() {
    Landscape& world = *currentLandscape;
    removeEntitiesOfType(world, OceanType);
    float level = readReal(first);
    world.finalize();
    auto tint = std::make_shared<UnderwaterTint>();
    world.waterLevel = level;
    addEntity(world, tint);
    removeEntitiesOfType(world, OceanType);
    for (int32_t j = 0; j < world.sectorsDown; ++j) {
        for (int32_t i = 0; i < world.sectorsAcross; ++i) {
            auto patch = std::make_shared<Ocean>();
            patch->setCorners(0.0f, 0.0f, world.sectorSizeX, world.sectorSizeZ, 0.0f);
            // The water texture runs on from patch to patch, one repeat per 10 units.
            patch->setCornerTexCoords(float(i) * world.sectorSizeX * 0.1f,
                                      float(j) * world.sectorSizeZ * 0.1f, 10.0f);
            patch->position =
                Vector3(float(i) * world.sectorSizeX, level, float(j) * world.sectorSizeZ);
            addEntity(world, patch);
        }
    }
}

void DirectiveScript::plantPalmTreesDirective() {
    Landscape& world = *currentLandscape;
    int width = int(float(world.sectorsAcross) * world.sectorSizeX);
    int depth = int(float(world.sectorsDown) * world.sectorSizeZ);
    if (width <= 0 || depth <= 0)
        return;
    // Only trees on ground at or above the water count. A map with little or
    // no such ground would draw positions for ever; after palmAttempts draws
    // the planting ends with the trees it has.
    int planted = 0;
    for (int attempt = 0; attempt < palmAttempts && planted < palmTreeCount; ++attempt) {
        float x = float(nextRandom() % width);
        float z = float(nextRandom() % depth);
        float h = world.heightAt(x, z);
        if (h < world.waterLevel)
            continue;
        float yaw = float(nextRandom() % 36000) * 0.01f;
        auto palm = std::make_shared<PalmTree>();
        palm->position = Vector3(x, h, z);
        palm->rotation = Vector3(0.0f, yaw, 0.0f);
        if (addEntity(world, palm) < 0)
            return; // the list is full
        ++planted;
    }
}

void DirectiveScript::clearEntitiesDirective() {
    clearEntities(*currentLandscape);
}

void DirectiveScript::createSunDirective() {
    Landscape& world = *currentLandscape;
    removeEntitiesOfType(world, SunType);
    removeEntitiesOfType(world, SkyType);
    addEntity(world, std::make_shared<Sky>());
    addEntity(world, std::make_shared<Sun>());
}

void DirectiveScript::createCameraDirective() {
    auto camera = std::make_shared<Camera>();
    latestCamera = camera;
    addEntity(*currentLandscape, camera);
}

void DirectiveScript::createTankDirective() {
    Landscape& world = *currentLandscape;
    auto tank = std::make_shared<Tank>();
    tank->position = Vector3(782.0f, 90.0f, 735.0f);
    addEntity(world, tank);
    // Drive mode: the latest camera trails the tank and looks along its aim.
    if (std::shared_ptr<Camera> camera = latestCamera.lock()) {
        camera->followPosition = VectorRef(*tank, tank->position);
        camera->followAngles = VectorRef(*tank, tank->viewAngles());
        camera->lookTarget.reset();
    }
}

// The demo script: on being added it opens "data\manus.txt" and makes its own
// camera, and it runs in the frames that follow.
void DirectiveScript::spawnDirective() {
    addEntity(*currentLandscape, std::make_shared<ManusScript>());
}
