#include "tools/ModelDescription.h"

#include <cmath>
#include <cstring>

ModelMaterial makeMaterial(const std::string& texturePath, Vector3 ambient, Vector3 diffuse) {
    ModelMaterial material{}; // every reserved byte and unset field zero
    std::strncpy(material.texturePath, texturePath.c_str(), sizeof material.texturePath - 1);
    material.ambient = ambient;
    material.diffuse = diffuse;
    material.specular = Vector3(0.0f, 0.0f, 0.0f);
    material.textureName = 0xFFFFFFFFu;
    return material;
}

namespace {

std::string where(size_t mesh, size_t face) {
    return "mesh " + std::to_string(mesh) + " face " + std::to_string(face) + ": ";
}

} // namespace

std::string findModelFault(const ModelDescription& model) {
    const size_t countLimit = 0xFFFF;
    for (size_t m = 0; m < model.meshes.size(); ++m) {
        const ModelMesh& mesh = model.meshes[m];
        const std::string name = "mesh " + std::to_string(m) + ": ";
        if (mesh.vertices.size() > countLimit || mesh.normals.size() > countLimit ||
            mesh.texCoords.size() > countLimit || mesh.faces.size() > countLimit ||
            mesh.materials.size() > countLimit)
            return name + "more than 65535 elements in an array";
        for (const Vector3& n : mesh.normals) {
            if (!(std::fabs(n.length() - 1.0f) < 1e-3f))
                return name + "a normal is not of unit length";
        }
        for (const ModelMaterial& material : mesh.materials) {
            if (std::memchr(material.texturePath, 0, sizeof material.texturePath) == nullptr)
                return name + "a texture path without its terminating NUL";
        }
        for (size_t f = 0; f < mesh.faces.size(); ++f) {
            const ModelFace& face = mesh.faces[f];
            for (int k = 0; k < 3; ++k) {
                if (face.vertex[k] >= mesh.vertices.size())
                    return where(m, f) + "vertex index outside the vertices";
                if (face.normal[k] >= mesh.normals.size())
                    return where(m, f) + "normal index outside the normals";
                if (face.texCoord[k] >= mesh.texCoords.size())
                    return where(m, f) + "texture coordinate index outside the array";
            }
            if (face.material >= mesh.materials.size())
                return where(m, f) + "material index outside the materials";
        }
    }
    return std::string();
}
