#include "entities/Sky.h"

#include "landscape/Landscape.h"

#include <GL/gl.h>

Sky::Sky() {
    typeId = SkyType;
    placement = Background;
}

void Sky::draw(Landscape& world) {
    float pitch = world.cameraAngles ? world.cameraAngles->x : 0.0f;
    glPushMatrix();
    glLoadIdentity();
    glRotatef(pitch, 1.0f, 0.0f, 0.0f);
    glDisable(GL_FOG);
    glDepthMask(GL_FALSE);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glColor3f(0.5f, 0.5f, 0.9f);
    glVertex3f(-1000.0f, 600.0f, 0.0f);
    glVertex3f(-800.0f, 300.0f, -400.0f);
    glVertex3f(800.0f, 300.0f, -400.0f);
    glVertex3f(1000.0f, 600.0f, 0.0f);

    glVertex3f(-1000.0f, 600.0f, 0.0f);
    glVertex3f(-800.0f, 300.0f, 400.0f);
    glVertex3f(800.0f, 300.0f, 400.0f);
    glVertex3f(1000.0f, 600.0f, 0.0f);

    glVertex3f(-800.0f, 300.0f, -400.0f);
    glVertex3f(800.0f, 300.0f, -400.0f);
    glColor3f(world.fogColour.x, world.fogColour.y, world.fogColour.z);
    glVertex3f(600.0f, 0.0f, -400.0f);
    glVertex3f(-600.0f, 0.0f, -400.0f);
    glEnd();
    glEnable(GL_FOG);
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}
