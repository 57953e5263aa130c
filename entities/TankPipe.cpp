#include "entities/TankPipe.h"

#include "entities/Rocket.h"
#include "models/M3aModel.h"

#include <GL/gl.h>

void TankPipe::update(Landscape&) {
    Vector3* angles = turretAngles.get();
    if (angles) {
        if (angles->x > 10.0f)
            angles->x = 10.0f;
        if (angles->x < -80.0f)
            angles->x = -80.0f;
        rotation.x = angles->x;
    }
    const Vector3* aim = aimAngles.get();
    Entity* hull = parent ? parent->parent : nullptr;
    if ((*stateSlots)[0] != 0 && cooldown == 0 && aim && hull) {
        flashFrames = flashLength;
        auto rocket = std::make_shared<Rocket>();
        // The parts' own offsets added without their rotations.
        rocket->position = hull->position.plus(parent->position).plus(position);
        rocket->rotation = *aim;
        hull->addPending(rocket);
        cooldown = cooldownFrames;
    }
    if (cooldown != 0)
        --cooldown;
}

void TankPipe::draw(Landscape&) {
    drawModel();
    if (flashFrames <= 0)
        return;
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor3f(1.0f, 0.4f, 0.1f);
    bindTextureOrUntextured(flashTexture);
    glBegin(GL_QUADS);
    emitTexturedQuad(Vector3(-0.3f, 0, -2), Vector3(0.3f, 0, -2), Vector3(0.3f, 0, -5),
                     Vector3(-0.3f, 0, -5));
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f); // what follows (the overlay text) is not tinted orange
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    --flashFrames;
}

void TankPipe::onAdded(Landscape& world) {
    cooldown = 0;
    flashFrames = 0;
    setModel(0, M3aModel::loadShared("data\\models\\tank01pipe.m3a"));
    flashTexture = loadEntityTexture(world, "data\\textures\\alphaball.mpc");
}
