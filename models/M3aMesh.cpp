#include "models/M3aMesh.h"

#include "io/BinaryStream.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

void readMaterial(BinaryReader& in, M3aMaterial& material) {
    in.bytes(material.reserved, sizeof material.reserved);
    in.bytes(material.texturePath, sizeof material.texturePath);
    material.texturePath[sizeof material.texturePath - 1] = '\0';
    in.words(material.ambient, 3);
    in.words(material.diffuse, 3);
    in.bytes(material.reserved2, sizeof material.reserved2);
    in.words(material.specular, 3);
    in.bytes(material.reserved3, sizeof material.reserved3);
    material.textureName = in.u32();
    material.blend = in.u32();
    material.blendSource = in.u32();
    material.blendDestination = in.u32();
}

} // namespace

bool M3aMesh::read(BinaryReader& in) {
    uint32_t headerMagic = in.u32();
    uint16_t counts[5];
    for (uint16_t& count : counts)
        count = in.u16();
    in.skip(2);
    if (!in.good() || headerMagic != magic)
        return false;

    vertexCount = counts[0];
    normalCount = counts[1];
    texCoordCount = counts[2];
    faceCount = counts[3];
    materialCount = counts[4];
    // Fresh arrays start zeroed: whatever a short file cannot fill stays zero.
    vertices.assign(size_t(vertexCount), Vector3{});
    normals.assign(size_t(normalCount), Vector3{});
    texCoords.assign(size_t(texCoordCount), Vector2{});
    faces.assign(size_t(faceCount), M3aFace{});
    materials.assign(size_t(materialCount), M3aMaterial{});
    list.reset();

    in.words(vertices.data(), vertices.size() * 3);
    in.words(normals.data(), normals.size() * 3);
    in.words(texCoords.data(), texCoords.size() * 2);
    in.words(faces.data(), faces.size() * 11);
    for (M3aMaterial& material : materials)
        readMaterial(in, material);
    dropBadFaces();
    return true;
}

// A mesh without normals or without texture coordinates (an unlit or
// untextured export) keeps its faces: their indices of the missing attribute
// are never followed.
void M3aMesh::dropBadFaces() {
    auto outside = [this](const M3aFace& face) {
        for (int k = 0; k < 3; ++k) {
            if (face.vertex[k] >= uint32_t(vertexCount) ||
                (normalCount > 0 && face.normal[k] >= uint32_t(normalCount)) ||
                (texCoordCount > 0 && face.texCoord[k] >= uint32_t(texCoordCount)))
                return true;
        }
        return face.material != noMaterial && face.material >= uint32_t(materialCount);
    };
    faces.erase(std::remove_if(faces.begin(), faces.end(), outside), faces.end());
    faceCount = int32_t(faces.size());
}

void M3aMesh::draw() {
    if (!list.ready()) {
        if (!list.begin()) {
            drawDirect();
            return;
        }
        drawDirect();
        list.end();
    }
    list.call();
}

void M3aMesh::setUpMaterial(const M3aMaterial& material) const {
    glEnd(); // texture and blend state cannot change inside a primitive
    if (material.textureName != untextured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, material.textureName);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
    const GLfloat ambient[4] = {material.ambient[0], material.ambient[1], material.ambient[2],
                                1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    // The material's diffuse and specular colours light the model through
    // light 0; the material's own reflectances keep OpenGL's defaults.
    const GLfloat diffuse[4] = {material.diffuse[0], material.diffuse[1], material.diffuse[2],
                                1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    const GLfloat specular[4] = {material.specular[0], material.specular[1], material.specular[2],
                                 1.0f};
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    if (material.blend != 0) {
        glEnable(GL_BLEND);
        glBlendFunc(material.blendSource, material.blendDestination);
    } else {
        glDisable(GL_BLEND);
    }
    glBegin(GL_TRIANGLES);
}

void M3aMesh::drawDirect() const {
    uint32_t current = noMaterial;
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glBegin(GL_TRIANGLES);
    for (const M3aFace& face : faces) {
        // A face without a material draws with whatever state is current.
        if (face.material != current && face.material != noMaterial)
            setUpMaterial(materials[face.material]);
        current = face.material;
        for (int k = 0; k < 3; ++k) {
            if (normalCount > 0)
                glNormal3fv(&normals[face.normal[k]].x);
            if (texCoordCount > 0)
                glTexCoord2fv(&texCoords[face.texCoord[k]].x);
            glVertex3fv(&vertices[face.vertex[k]].x);
        }
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
}
