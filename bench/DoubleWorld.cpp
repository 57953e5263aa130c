// DoubleWorld SOURCE TARGET: the demo world at twice its size, for measuring
// how the cost of a build grows with the map. Reads the height image and the
// painting masks of the demo root SOURCE (1025 x 1025 pixels for the
// 1024-unit map) and writes them to TARGET at 2049 x 2049: pixel 2k takes
// pixel k, pixel 2k + 1 the mean of pixels k and k + 1, so the island keeps
// its shape at half the slope. The rest of the world (scripts, textures,
// models) is the caller's to copy. Both roots are folders inside the working
// folder, named relative to it: files are opened as a world's files are.

#include "image/Texture.h"

#include <cstdio>
#include <string>

namespace {

// Channel c of the doubled image at (x, y), from the image it doubles.
int doubledChannel(const Texture& image, int x, int y, int c) {
    auto at = [&](int px, int py) {
        px = px < image.width ? px : image.width - 1;
        py = py < image.height ? py : image.height - 1;
        return int(image.pixels[(size_t(py) * image.width + size_t(px)) * 3 + size_t(c)]);
    };
    int x0 = x / 2, y0 = y / 2, x1 = x0 + x % 2, y1 = y0 + y % 2;
    return (at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1) + 2) / 4;
}

bool doubleImage(const std::string& from, const std::string& to) {
    Texture image;
    if (!image.loadBmp(from.c_str()) || image.bytesPerPixel != 3)
        return false;
    Texture doubled;
    doubled.allocate(2 * image.width - 1, 2 * image.height - 1, 3);
    for (int y = 0; y < doubled.height; ++y)
        for (int x = 0; x < doubled.width; ++x)
            for (int c = 0; c < 3; ++c)
                doubled.pixels[(size_t(y) * doubled.width + size_t(x)) * 3 + size_t(c)] =
                    uint8_t(doubledChannel(image, x, y, c));
    return doubled.saveBmp(to.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: DoubleWorld SOURCE_ROOT TARGET_ROOT\n");
        return 2;
    }
    const std::string source = argv[1], target = argv[2];
    for (const char* image :
         {"data/maps/island.bmp", "data/masks/grass.bmp", "data/masks/darkgrass.bmp",
          "data/masks/sand.bmp", "data/masks/rock.bmp"}) {
        if (!doubleImage(source + "/" + image, target + "/" + image)) {
            std::fprintf(stderr, "DoubleWorld: could not double %s\n", image);
            return 1;
        }
    }
    return 0;
}
