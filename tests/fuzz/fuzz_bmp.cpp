// BMP images: any bytes as a .bmp file are loaded through SDL and uploaded as a
// texture.

#include "tests/fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(
        argc, argv, [] { return std::vector<std::string>{fuzzkit::readBytes("seed.bmp")}; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.bmp", data, size);
    Texture image;
    if (image.loadBmp("input.bmp"))
        image.upload(uint8_t(size % 3));
    fuzzkit::deleteAllTextures();
    return 0;
}
