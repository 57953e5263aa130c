#pragma once
// Image files for the image tests: 24-bit BMP files written by the engine's own
// writer, an 8-bit palette BMP laid out by hand, and MPC headers.

#include "image/Texture.h"
#include "tests/support/LittleEndian.h"

#include <cstdint>
#include <string>
#include <vector>

namespace imagefiles {

// rgb holds width * height pixels of R, G, B, top row first.
inline bool writeBmp24(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
    Texture t;
    t.allocate(width, height, 3);
    std::copy(rgb.begin(), rgb.end(), t.pixels);
    return t.saveBmp(path);
}

// An 8-bit BMP of width 4 (rows need no padding); palette holds R, G, B per colour.
inline std::string bmp8(int height, const std::vector<uint8_t>& palette,
                        const std::vector<uint8_t>& indices) {
    uint32_t colours = uint32_t(palette.size() / 3), offset = 54 + 4 * colours;
    std::string out = "BM";
    out += fields<uint32_t>(
        {uint32_t(offset + indices.size()), 0u, offset, 40u, 4u, uint32_t(height)});
    out += fields<uint16_t>({1, 8});
    out += fields<uint32_t>({0u, uint32_t(indices.size()), 2835u, 2835u, colours, 0u});
    for (size_t c = 0; c < colours; ++c)
        out += {char(palette[c * 3 + 2]), char(palette[c * 3 + 1]), char(palette[c * 3]), 0};
    for (int row = height - 1; row >= 0; --row)
        out.append(indices.begin() + row * 4, indices.begin() + row * 4 + 4);
    return out;
}

inline std::string mpcHeader(int magic, int width, int height, int bytesPerPixel) {
    return fields<uint16_t>(
               {uint16_t(magic), uint16_t(width), uint16_t(height), uint16_t(bytesPerPixel)}) +
           std::string(14, '\0');
}

} // namespace imagefiles
