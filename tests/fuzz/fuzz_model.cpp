// libFuzzer target: any bytes loaded as an M3A model, then every kept face's
// indices followed, as drawing would.

#include "models/M3aModel.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_model_" + std::to_string(getpid()) + ".m3a";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    M3aModel model;
    model.load(path.c_str());
    float sum = 0.0f;
    for (const M3aMesh& mesh : model.meshes) {
        for (const M3aFace& face : mesh.faces) {
            for (int k = 0; k < 3; ++k) {
                sum += mesh.vertices.at(face.vertex[k]).x + mesh.normals.at(face.normal[k]).y +
                       mesh.texCoords.at(face.texCoord[k]).x;
            }
            if (face.material != noMaterial)
                sum += mesh.materials.at(face.material).ambient[0];
        }
    }
    std::remove(path.c_str());
    static volatile float sink;
    sink = sum; // keeps the reads from being optimised away
    return 0;
}
