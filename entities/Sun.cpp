#include "entities/Sun.h"

#include "landscape/Landscape.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

Sun::Sun() {
    typeId = SunType;
    placement = Free;
}

void Sun::onAdded(Landscape& world) {
    const Vector3& d = world.sunDirection;
    double horizontal = std::min(1.0, std::sqrt(double(d.z) * d.z + double(d.x) * d.x));
    angles.x = float(std::acos(horizontal) * radiansToDegrees);
    angles.y = float(std::atan2(double(d.x), double(d.z)) * radiansToDegrees + 180.0);
    texture = loadEntityTexture(world, "data\\textures\\sun.mpc");
}

void Sun::draw(Landscape& world) {
    Vector3 view = world.cameraAngles ? *world.cameraAngles : Vector3();
    glDisable(GL_FOG);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    bindTextureOrUntextured(texture);
    glColor3f(1.0f, 1.0f, 0.1f);

    glPushMatrix();
    glLoadIdentity();
    glRotatef(view.x + angles.x, 1.0f, 0.0f, 0.0f);
    glRotatef(view.y + angles.y, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -600.0f);

    float p = view.x * degreesToRadians;
    float y = view.y * degreesToRadians;
    Vector3 look(std::sin(y) * std::cos(p), -std::sin(p), -(std::cos(y) * std::cos(p)));
    look.normalize();
    const Vector3& d = world.sunDirection;
    double cosine = double(look.x) * d.x + double(look.y) * d.y + double(look.z) * d.z;
    float away = float(std::fabs(std::acos(std::max(-1.0, std::min(1.0, cosine)))));

    glBegin(GL_QUADS);
    emitTexturedQuad(Vector3(-400, -400, 0), Vector3(400, -400, 0), Vector3(400, 400, 0),
                     Vector3(-400, 400, 0));
    glEnd();

    if (away < 1.0f) {
        glColor4f(1.0f, 1.0f, 1.0f, 0.7f - away);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glTranslatef(0.0f, 0.0f, -1.0f);
        glDisable(GL_TEXTURE_2D);
        drawViewCover();
        glEnable(GL_DEPTH_TEST);
    }
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_FOG);
}
