#include "tools/M3aWriter.h"

#include "tools/ByteWriter.h"

namespace {

const uint32_t magic = 100;

void writeFace(ByteWriter& out, const ModelFace& face) {
    for (uint32_t index : face.vertex)
        out.u32(index);
    for (uint32_t index : face.normal)
        out.u32(index);
    for (uint32_t index : face.texCoord)
        out.u32(index);
    out.u32(face.material);
    out.u32(0); // unused
}

void writeVector(ByteWriter& out, Vector3 colour) {
    out.f32(colour.x);
    out.f32(colour.y);
    out.f32(colour.z);
}

void writeMaterial(ByteWriter& out, const ModelMaterial& material) {
    out.zeros(sizeof material.reserved);
    out.raw(material.texturePath, sizeof material.texturePath);
    writeVector(out, material.ambient);
    writeVector(out, material.diffuse);
    out.u32(0); // reserved
    writeVector(out, material.specular);
    out.u32(0); // reserved
    out.u32(material.textureName);
    out.u32(material.blend);
    out.u32(material.blendSource);
    out.u32(material.blendDestination);
}

void writeMesh(ByteWriter& out, const ModelMesh& mesh) {
    out.u32(magic);
    out.u16(uint16_t(mesh.vertices.size()));
    out.u16(uint16_t(mesh.normals.size()));
    out.u16(uint16_t(mesh.texCoords.size()));
    out.u16(uint16_t(mesh.faces.size()));
    out.u16(uint16_t(mesh.materials.size()));
    out.u16(0); // unused
    for (const std::vector<Vector3>* array : {&mesh.vertices, &mesh.normals}) {
        for (const Vector3& v : *array)
            writeVector(out, v);
    }
    for (const Vector2& t : mesh.texCoords) {
        out.f32(t.x);
        out.f32(t.y);
    }
    for (const ModelFace& face : mesh.faces)
        writeFace(out, face);
    for (const ModelMaterial& material : mesh.materials)
        writeMaterial(out, material);
}

} // namespace

namespace m3a {

bool encode(const ModelDescription& model, std::string& bytes, std::string& error) {
    error = findModelFault(model);
    if (!error.empty())
        return false;
    if (model.meshes.size() > 1024) {
        error = "more meshes than the engine keeps (1024)";
        return false;
    }
    ByteWriter out;
    out.u32(magic);
    out.i32(int32_t(model.meshes.size()));
    for (const ModelMesh& mesh : model.meshes)
        writeMesh(out, mesh);
    bytes = out.bytes();
    return true;
}

} // namespace m3a
