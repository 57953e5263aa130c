// M3A models: any bytes as a model file are loaded and every kept face's
// indices are followed as drawing follows them.

#include "models/M3aModel.h"
#include "tests/fuzz/FuzzKit.h"

namespace {

// One textured triangle in one mesh, laid out as the file holds it (this
// machine is little-endian like the file).
std::string triangleModel() {
    std::string out;
    auto put = [&](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
    const uint32_t headers[] = {100, 1, 100};
    const uint16_t counts[] = {3, 1, 1, 1, 1, 0};
    const float values[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 0.5f};
    const uint32_t face[11] = {0, 1, 2};
    put(headers, sizeof headers);
    put(counts, sizeof counts);
    put(values, sizeof values);
    put(face, sizeof face);
    std::string material(368, '\0');
    material.replace(50, 8, "seed.mpc");
    material.replace(352, 4, 4, '\xFF');
    return out + material;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] { return std::vector<std::string>{triangleModel()}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.m3a", data, size);
    M3aModel model;
    model.load("input.m3a");
    for (const M3aMesh& mesh : model.meshes) {
        for (const M3aFace& face : mesh.faces) {
            for (int k = 0; k < 3; ++k) { // at() throws past the end
                (void)mesh.vertices.at(face.vertex[k]).x;
                if (mesh.normalCount > 0)
                    (void)mesh.normals.at(face.normal[k]).y;
                if (mesh.texCoordCount > 0)
                    (void)mesh.texCoords.at(face.texCoord[k]).x;
            }
            if (face.material != noMaterial)
                (void)mesh.materials.at(face.material);
        }
    }
    return 0;
}
