#include "entities/TankFoot.h"

#include "models/M3aModel.h"

void TankFoot::onAdded(Landscape&) {
    setModel(0, M3aModel::loadShared("data\\models\\tank01Foot.m3a"));
}
