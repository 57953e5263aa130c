#include "entities/Explosion.h"

#include "landscape/Landscape.h"
#include "platform/Random.h"

#include <GL/gl.h>

void Explosion::onAdded(Landscape& world) {
    rotation = Vector3();
    placement = Effect;
    flashFrames = 20;
    texture = loadEntityTexture(world, "data\\textures\\alphaball.mpc");
    for (int i = 0; i < particleCount; ++i) {
        offsets[i] = Vector3(0.0f, 0.1f, 0.0f);
        Vector3& v = velocities[i];
        v.x += float(nextRandom() % 100 - 50) * 0.002f;
        v.y += float(nextRandom() % 100 - 50) * 0.002f;
        v.z += float(nextRandom() % 100 - 50) * 0.002f;
        v.normalize();
        v = v.times(0.3f);
        alive[i] = 1;
    }
}

void Explosion::update(Landscape& world) {
    if (world.cameraAngles)
        rotation = *world.cameraAngles; // the quads face the viewer
    bool anyAlive = false;
    for (int i = 0; i < particleCount; ++i) {
        if (!alive[i])
            continue;
        anyAlive = true;
        offsets[i].add(velocities[i]);
        velocities[i].y -= 0.01f;
        Vector3 w = offsets[i].plus(position);
        if (world.heightAt(w.x, w.z) > w.y || w.y < world.waterLevel)
            alive[i] = 0;
    }
    if (!anyAlive)
        removeRequested = 1;
}

void Explosion::draw(Landscape&) {
    glColor3f(1.0f, 0.4f, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glDisable(GL_FOG);
    bindTextureOrUntextured(texture);
    glBegin(GL_QUADS);
    for (int i = 0; i < particleCount; ++i) {
        if (!alive[i])
            continue;
        const Vector3& o = offsets[i];
        emitTexturedQuad(Vector3(o.x - 0.5f, o.y + 0.5f, o.z), Vector3(o.x + 0.5f, o.y + 0.5f, o.z),
                         Vector3(o.x + 0.5f, o.y - 0.5f, o.z),
                         Vector3(o.x - 0.5f, o.y - 0.5f, o.z));
    }
    if (flashFrames != 0) {
        glColor3f(1.0f, 1.0f, 1.0f);
        emitTexturedQuad(Vector3(-3, -3, 0), Vector3(3, -3, 0), Vector3(3, 3, 0),
                         Vector3(-3, 3, 0));
        --flashFrames;
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_FOG);
}
