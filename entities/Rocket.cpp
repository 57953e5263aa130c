#include "entities/Rocket.h"

#include "entities/Explosion.h"
#include "landscape/Landscape.h"
#include "models/M3aModel.h"

Rocket::Rocket() {
    typeId = RocketType;
}

void Rocket::onAdded(Landscape&) {
    setModel(0, M3aModel::loadShared("data\\models\\smallrocket.m3a"));
    direction = directionFromAngles(rotation).times(-1.0f);
}

void Rocket::update(Landscape& world) {
    direction.y -= 0.01f;
    position.add(direction);
    float ground = world.heightAt(position.x, position.z);
    if (!(ground > position.y || position.y < world.waterLevel))
        return;
    auto explosion = std::make_shared<Explosion>();
    explosion->position = position;
    explosion->position.y = ground < world.waterLevel ? world.waterLevel : ground;
    addPending(explosion);
    removeRequested = 1;
}
