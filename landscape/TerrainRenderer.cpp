// One frame of the terrain: the render list, the two layers of every listed
// sector nearest first, the sun as light 0, and the debug view of sector bounds.

#include "landscape/TerrainRenderer.h"

#include "landscape/EntityPasses.h"
#include "landscape/Landscape.h"
#include "platform/Clock.h"

#include <GL/gl.h>

#include <algorithm>

EntityPasses* entityPasses = nullptr;

void Landscape::render(int mode) {
    makeRenderList();
    if (entityPasses)
        entityPasses->placeEntities(*this);
    frameTime = getTickCount();
    drawTerrain(mode);
    if (entityPasses)
        entityPasses->updateEntities(*this);
    const GLfloat sun[4] = {sunDirection.x, sunDirection.y, sunDirection.z, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    if (entityPasses == nullptr)
        return;
    entityPasses->drawGroup(*this, -4); // Background
    for (int32_t k = 0; k < renderCount; ++k)
        sectors[size_t(renderList[k])].drawEntities(*this);
    entityPasses->drawGroup(*this, -2); // Free
    entityPasses->drawGroup(*this, -3); // Effect
    entityPasses->processPending(*this);
}

void Sector::drawEntities(Landscape& world) const {
    if (entityPasses)
        entityPasses->drawBucket(world, *this);
}

bool Landscape::immediateDrawing = false;

// The listed sectors, nearest first. The solid terrain is replayed from
// recorded lists; the wire view, and every view when immediateDrawing is set,
// is sent vertex by vertex.
void Landscape::drawTerrain(int mode) {
    if (mode == terrainSolidMode && !immediateDrawing) {
        terrainLists.draw(sectors, renderList.data(), renderCount);
        return;
    }
    for (int32_t k = 0; k < renderCount; ++k)
        sectors[size_t(renderList[k])].draw(mode);
}

void Sector::draw(int mode) const {
    // Corner indices and draw orders come from map files too; a face that points
    // outside the arrays is skipped rather than read out of bounds.
    const size_t vertexLimit = std::min(std::min(positions.size(), normals.size()),
                                        std::min(texCoords.size(), overlayTexCoords.size()));
    const size_t faceLimit = facesHeld();
    const size_t orderCount = size_t(std::max(faceCount, 0));
    auto usable = [&](uint32_t f) {
        if (f >= faceLimit)
            return false;
        const uint32_t* vertex = corners[f].vertex;
        return vertex[0] < vertexLimit && vertex[1] < vertexLimit && vertex[2] < vertexLimit;
    };

    int32_t current = -1;
    glDisable(GL_BLEND);
    glBegin(GLenum(mode));
    const size_t baseCount = std::min(orderCount, baseOrder.size());
    for (size_t i = 0; i < baseCount; ++i) {
        uint32_t f = baseOrder[i];
        if (!usable(f) || textures[f].baseTexture == -1)
            continue;
        if (textures[f].baseTexture != current) {
            glEnd();
            current = textures[f].baseTexture;
            glBindTexture(GL_TEXTURE_2D, GLuint(current));
            glBegin(GLenum(mode));
        }
        for (int k = 0; k < 3; ++k) {
            uint32_t v = corners[f].vertex[k];
            glColor3fv(&colours[f].corner[k].x);
            glTexCoord2fv(&texCoords[v].x);
            glNormal3fv(&normals[v].x);
            glVertex3fv(&positions[v].x);
        }
    }
    glEnd();

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GLenum(mode));
    const size_t overlayCount = std::min(orderCount, overlayOrder.size());
    for (size_t i = 0; i < overlayCount; ++i) {
        uint32_t f = overlayOrder[i];
        if (!usable(f) || textures[f].overlayTexture == -1)
            continue;
        if (textures[f].overlayTexture != current) {
            glEnd();
            current = textures[f].overlayTexture;
            glBindTexture(GL_TEXTURE_2D, GLuint(current));
            glBegin(GLenum(mode));
        }
        for (int k = 0; k < 3; ++k) {
            uint32_t v = corners[f].vertex[k];
            const Vector3& rgb = overlayColours[f].corner[k];
            glColor4f(rgb.x, rgb.y, rgb.z, overlayAlphas[f].corner[k]);
            glTexCoord2fv(&overlayTexCoords[v].x);
            glNormal3fv(&normals[v].x);
            glVertex3fv(&positions[v].x);
        }
    }
    glEnd();
    glDisable(GL_BLEND);
}

void Landscape::drawSectorBounds() const {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.3f, 0.3f, 0.3f);
    glBegin(GL_QUADS);
    for (const Sector& s : sectors) {
        // The wall along z = minZ ...
        glVertex3f(s.minX, s.minY, s.minZ);
        glVertex3f(s.maxX, s.minY, s.minZ);
        glVertex3f(s.maxX, s.maxY, s.minZ);
        glVertex3f(s.minX, s.maxY, s.minZ);
        // ... and the wall along x = minX.
        glVertex3f(s.minX, s.minY, s.minZ);
        glVertex3f(s.minX, s.minY, s.maxZ);
        glVertex3f(s.minX, s.maxY, s.maxZ);
        glVertex3f(s.minX, s.maxY, s.minZ);
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}
