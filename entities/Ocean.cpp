#include "entities/Ocean.h"

#include "landscape/Landscape.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

Ocean::Ocean() {
    typeId = OceanType;
}

void Ocean::setCorners(float x0, float z0, float x1, float z1, float y) {
    oceanWidth = x1 - x0;
    oceanDepth = z1 - z0;
    corners[0] = Vector3(x0, y, z0);
    corners[1] = Vector3(x1, y, z0);
    corners[2] = Vector3(x1, y, z1);
    corners[3] = Vector3(x0, y, z1);
}

void Ocean::setCornerTexCoords(float uStart, float vStart, float scale) {
    float du = (corners[1].x - corners[0].x) / scale;
    float dv = (corners[3].z - corners[0].z) / scale;
    cornerTexCoords[0] = Vector2(uStart, vStart);
    cornerTexCoords[1] = Vector2(uStart + du, vStart);
    cornerTexCoords[2] = Vector2(uStart + du, vStart + dv);
    cornerTexCoords[3] = Vector2(uStart, vStart + dv);
}

void Ocean::rebuild() {
    mesh.buildGrid(4, 4, 1.0f);
    phases.assign(size_t(mesh.vertexCount), 0.0f);
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        Vector3& v = mesh.vertices[size_t(i)];
        v.z = v.y; // the grid is built upright; lay it into the x-z plane
        v.y = 0.0f;
        v.x *= oceanWidth * 0.33333334f;
        v.z *= oceanDepth * 0.33333334f;
        Vector3 world = v.plus(position);
        world.y = 0.0f;
        phases[size_t(i)] = 10.0f * world.length();
    }
    waveSpeed = 0.01f;
    waveHeight = 0.9f;
    pristine.copyFrom(mesh);
}

void Ocean::onAdded(Landscape& world) {
    rebuild();
    texture = loadEntityTexture(world, "data\\textures\\water.mpc");
}

void Ocean::prepareSave() {
    extraData.resize(extraBytes);
    float packed[10];
    for (int k = 0; k < 4; ++k) {
        packed[2 * k] = cornerTexCoords[k].x;
        packed[2 * k + 1] = cornerTexCoords[k].y;
    }
    packed[8] = oceanWidth;
    packed[9] = oceanDepth;
    std::memcpy(extraData.data(), packed, sizeof packed);
    extraSize = extraBytes;
}

void Ocean::afterLoad(Landscape&) {
    if (extraData.size() >= size_t(extraBytes)) {
        float packed[10];
        std::memcpy(packed, extraData.data(), sizeof packed);
        for (int k = 0; k < 4; ++k)
            cornerTexCoords[k] = Vector2(packed[2 * k], packed[2 * k + 1]);
        oceanWidth = packed[8];
        oceanDepth = packed[9];
    }
    std::vector<uint8_t>().swap(extraData);
    extraSize = 0;
    rebuild();
}

void Ocean::draw(Landscape& world) {
    if (placement < 0 || size_t(placement) >= world.sectors.size())
        return;
    if (world.sectors[size_t(placement)].minY > world.waterLevel)
        return;

    // The clock in double precision: a float of a tick count past a few hours
    // would step the waves in jumps.
    double t = double(world.frameTime) * double(waveSpeed);
    float du = float(std::cos(t * 0.04) * 0.05);
    float dv = float(std::sin(t * 0.04) * 0.05);
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        size_t v = size_t(i);
        mesh.vertices[v] = pristine.vertices[v];
        mesh.texCoords[v] = Vector2(pristine.texCoords[v].x + du, pristine.texCoords[v].y + dv);
        mesh.vertices[v].y += float(std::sin(t * 0.1 + double(phases[v]))) * waveHeight;
    }

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    bindTextureOrUntextured(texture);
    glColor4f(1.0f, 1.0f, 1.0f, 0.4f);
    glBegin(GL_TRIANGLE_STRIP);
    for (int32_t index : mesh.indices) {
        glTexCoord2fv(&mesh.texCoords[size_t(index)].x);
        glVertex3fv(&mesh.vertices[size_t(index)].x);
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}
