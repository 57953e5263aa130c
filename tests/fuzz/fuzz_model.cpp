// M3A models: any bytes as a model file are loaded and every kept face's
// indices are followed as drawing follows them.

#include "models/M3aModel.h"
#include "tests/fuzz/FuzzKit.h"

namespace {

// One textured triangle in one mesh, laid out by hand as the file holds it.
std::string triangleModel() {
    std::string out;
    auto u32 = [&](uint32_t v) {
        out.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)});
    };
    auto u16 = [&](uint32_t v) { out.append({char(v), char(v >> 8)}); };
    auto f32 = [&](float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(bits);
    };
    u32(100);
    u32(1);
    u32(100);
    for (uint32_t count : {3u, 1u, 1u, 1u, 1u, 0u})
        u16(count);
    for (float v :
         {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.5f, 0.5f})
        f32(v);
    for (uint32_t v : {0u, 1u, 2u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u})
        u32(v);
    std::string material(368, '\0');
    std::memcpy(&material[50], "seed.mpc", 8);
    std::memset(&material[352], 0xFF, 4);
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
            for (int k = 0; k < 3; ++k)
                (void)(mesh.vertices.at(face.vertex[k]).x + mesh.normals.at(face.normal[k]).y +
                       mesh.texCoords.at(face.texCoord[k]).x); // at() throws past the end
            if (face.material != noMaterial)
                (void)mesh.materials.at(face.material);
        }
    }
    return 0;
}
