#pragma once
// Small 24-bit BMP images for the tests, written through the engine's own
// writer (only for test programs that link the image library).

#include "image/Texture.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// A 24-bit BMP; colour(x, y) gives 0xRRGGBB of the pixel in column x of row y,
// row 0 at the top. Parent folders are made as needed.
inline void writeBmp(const std::string& path, int width, int height,
                     const std::function<uint32_t(int x, int y)>& colour) {
    std::filesystem::path file(path);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    Texture image;
    image.allocate(width, height, 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                image.pixels[(size_t(y) * width + x) * 3 + c] =
                    uint8_t(colour(x, y) >> (16 - 8 * c));
    image.saveBmp(path.c_str());
}

inline uint32_t redOnly(int red) {
    return uint32_t(red & 0xFF) << 16;
}
