#include "entities/TankTurret.h"

#include "entities/TankPipe.h"
#include "models/M3aModel.h"

void TankTurret::update(Landscape&) {
    if (const Vector3* angles = turretAngles.get())
        rotation.y = angles->y;
}

void TankTurret::onAdded(Landscape& world) {
    setModel(0, M3aModel::loadShared("data\\models\\tank01turret.m3a"));
    auto pipe = std::make_shared<TankPipe>();
    pipe->turretAngles = turretAngles;
    pipe->aimAngles = aimAngles;
    addChild(world, pipe);
}
