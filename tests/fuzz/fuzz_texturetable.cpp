// Texture table sections: any bytes are read as a table, whose entries load
// the images they name (names that lead outside the scratch folder are refused
// by the engine), and the table is written back.

#include "image/TextureTable.h"
#include "tests/fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzkit::startFuzzTarget(argc, argv, [] {
        TextureTable table;
        table.loadBmpTexture("seed.bmp", 2);
        table.loadMpcTexture("seed.mpc", 0);
        table.addEntry(7);
        FILE* file = std::fopen("seed.tab", "wb");
        table.write(file);
        std::fclose(file);
        return std::vector<std::string>{fuzzkit::readBytes("seed.tab")};
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzkit::writeBytes("input.tab", data, size);
    TextureTable table;
    FILE* in = std::fopen("input.tab", "rb");
    bool read = table.read(in);
    std::fclose(in);
    if (read) {
        FILE* out = std::fopen("output.tab", "wb");
        table.write(out);
        std::fclose(out);
    }
    fuzzkit::deleteAllTextures();
    return 0;
}
