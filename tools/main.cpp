// kestu-data ROOT: writes the demo's generated data (font, island height image,
// ground textures, painting masks, object textures and models) under ROOT.
// Same files on every run.
// kestu-data --icon SHOT LEFT TOP SIDE FOLDER: writes the program's icons,
// FOLDER/NxN/apps/kestu.png, from the square of the PNG screenshot SHOT.

#include "tools/DemoData.h"
#include "tools/Icon.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char usage[] = "usage: kestu-data ROOT\n"
                     "       kestu-data --icon SHOT LEFT TOP SIDE FOLDER\n"
                     "writes the demo's generated data files under ROOT/data, or the icons\n"
                     "FOLDER/NxN/apps/kestu.png (N = 48, 128, 256) from the square of SIDE\n"
                     "pixels at LEFT, TOP of the PNG screenshot SHOT\n";

int writeIcons(char** argv) {
    std::string error;
    if (!icon::writeIcons(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                          argv[6], error)) {
        std::fprintf(stderr, "kestu-data: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 7 && std::strcmp(argv[1], "--icon") == 0)
        return writeIcons(argv);
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || argv[1][0] == '\0' ||
        argv[1][0] == '-') {
        std::fputs(usage, stderr);
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
