// View distance, fog and background colour: one setting. The terrain fades into
// linear fog that is complete at the view distance, the screen is cleared to the
// fog colour, and sectors are culled half a sector diagonal beyond it.

#include "landscape/Landscape.h"

#include <GL/gl.h>

#include <cmath>

void Landscape::setViewDist(float end, float depth) {
    if (depth == -1.0f)
        depth = end; // fog over the whole distance from the eye
    fogEnd = end;
    fogDepth = depth;
    float halfX = sectorSizeX * 0.5f;
    float halfZ = sectorSizeZ * 0.5f;
    cullRadius = end + std::sqrt(halfZ * halfZ + halfX * halfX);
    glFogf(GL_FOG_END, end);
    glFogf(GL_FOG_START, end - depth);
}

void Landscape::setFogColor(float r, float g, float b) {
    fogColour.set(r, g, b);
    const GLfloat colour[4] = {r, g, b, 1.0f};
    glFogfv(GL_FOG_COLOR, colour);
    glClearColor(r, g, b, 1.0f);
}
