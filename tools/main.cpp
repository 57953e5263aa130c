// kestu-data ROOT: writes the demo's generated data (font, island height image,
// ground textures, painting masks, object textures and models) under ROOT.
// Same files on every run.

#include "tools/DemoData.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: kestu-data ROOT\n"
                             "writes the demo's generated data files under ROOT/data\n");
        return (argc == 2 && std::strcmp(argv[1], "--help") == 0) ? 0 : 2;
    }
    std::vector<std::string> written;
    std::string error;
    bool ok = demodata::writeAll(argv[1], written, error);
    for (const std::string& path : written)
        std::printf("%s/%s\n", argv[1], path.c_str());
    if (!ok) {
        std::fprintf(stderr, "kestu-data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
