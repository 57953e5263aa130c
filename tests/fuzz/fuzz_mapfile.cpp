// Map files: any bytes are loaded as a map (texture names that lead outside
// the scratch folder are refused by the engine), finalized, asked for heights
// at points taken from the input and saved again.

#include "landscape/Landscape.h"
#include "tests/fuzz/FuzzKit.h"

static std::string savedMap(int size, float step) {
    Landscape landscape;
    landscape.newMap(size, size, 2, step, step);
    landscape.setTexture(int32_t(
        landscape.textures.textureNameAt(landscape.textures.loadBmpTexture("seed.bmp", 2))));
    landscape.finalize();
    landscape.save("seed.map");
    return fuzzkit::readBytes("seed.map");
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] {
        return std::vector<std::string>{savedMap(2, 1.0f), savedMap(4, 0.5f)};
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.map", data, size);
    Landscape landscape;
    landscape.load("input.map");
    landscape.finalize();
    // Points from the last bytes: raw floats (any value at all), and the same
    // bits as fractions of the map's extent.
    float extentX = landscape.sectorsAcross * landscape.sectorSizeX;
    float extentZ = landscape.sectorsDown * landscape.sectorSizeZ;
    for (size_t at = size; at >= 8 && size - at < 64; at -= 8) {
        float x, z;
        std::memcpy(&x, data + at - 8, 4);
        std::memcpy(&z, data + at - 4, 4);
        landscape.heightAt(x, z);
        uint32_t u, v;
        std::memcpy(&u, &x, 4);
        std::memcpy(&v, &z, 4);
        landscape.heightAt(extentX * (u % 1025) / 1024.0f, extentZ * (v % 1025) / 1024.0f);
    }
    landscape.save("output.map");
    fuzzkit::deleteAllTextures();
    return 0;
}
