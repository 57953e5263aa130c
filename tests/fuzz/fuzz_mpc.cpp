// MPC images: any bytes as an .mpc file are read and uploaded as a texture.

#include "tests/fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(
        argc, argv, [] { return std::vector<std::string>{fuzzkit::readBytes("seed.mpc")}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.mpc", data, size);
    Texture image;
    if (image.loadMpc("input.mpc"))
        image.upload(uint8_t(size % 3));
    fuzzkit::deleteAllTextures();
    return 0;
}
