#include "lighting/ProgressBar.h"

#include <GL/gl.h>
#include <SDL.h>

bool progressDisplayAvailable() {
    return SDL_GetVideoSurface() != nullptr;
}

void beginProgressDisplay() {
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
}

void drawProgressBar(int done, int total) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The frame's texturing, lighting, fog and blending would tint the bar;
    // it is drawn in its plain colours and the state is given back after.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);

    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINE_STRIP);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(3.0f, 0.0f, 0.0f);
    glVertex3f(3.0f, 0.5f, 0.0f);
    glVertex3f(0.0f, 0.5f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();

    float width = total > 0 ? float(3.0 * done / total) : 0.0f;
    glColor3f(0.3f, 0.3f, 1.0f);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(width, 0.0f, 0.0f);
    glVertex3f(width, 0.5f, 0.0f);
    glVertex3f(0.0f, 0.5f, 0.0f);
    glEnd();

    glPopAttrib();
}

void endProgressDisplay() {
    glPopMatrix();
}
