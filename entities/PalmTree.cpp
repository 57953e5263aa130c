#include "entities/PalmTree.h"

#include "models/M3aModel.h"
#include "platform/Random.h"

PalmTree::PalmTree() {
    typeId = PalmTreeType;
}

void PalmTree::onAdded(Landscape&) {
    frame = nextRandom() % 16;
    setModel(0, M3aModel::loadShared("data\\models\\palmtree.m3a"));
}
