#include "lighting/ProgressBar.h"

#include "platform/Presenter.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cmath>

bool progressDisplayAvailable() {
    return SDL_GetVideoSurface() != nullptr;
}

namespace {

const int notShown = -1000000; // no bar shown since beginProgressDisplay
int shownFill = notShown;      // pixel columns the last shown bar's filling covered

// The pixel columns the filling of a bar of the given width covers: the
// number of pixel centres left of its right edge, in window coordinates. A
// right edge within 1/32 pixel of a centre could round either way in
// OpenGL's own transform; such a width gives notShown (always shown).
int filledColumns(float width) {
    if (!(width > 0.0f))
        return 0;
    GLdouble projection[16], modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double eye[4], clip[4];
    for (int row = 0; row < 4; ++row)
        eye[row] = modelview[row] * width + modelview[12 + row];
    for (int row = 0; row < 4; ++row)
        clip[row] = projection[row] * eye[0] + projection[4 + row] * eye[1] +
                    projection[8 + row] * eye[2] + projection[12 + row] * eye[3];
    if (!(clip[3] > 0.0))
        return notShown;
    double x = viewport[0] + (clip[0] / clip[3] + 1.0) * 0.5 * viewport[2] - 0.5;
    double fraction = x - std::floor(x);
    if (fraction < 1.0 / 32 || fraction > 31.0 / 32)
        return notShown;
    return int(std::ceil(x));
}

} // namespace

void beginProgressDisplay() {
    shownFill = notShown;
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

void showProgressBar(int done, int total) {
    float width = total > 0 ? float(3.0 * done / total) : 0.0f;
    int fill = filledColumns(width);
    if (fill != notShown && fill == shownFill) {
        presentSameFrame();
        return;
    }
    drawProgressBar(done, total);
    presentFrame();
    shownFill = fill;
}

void endProgressDisplay() {
    glPopMatrix();
}
