#pragma once
// A picture with an alpha channel, made by the data generator: width x height
// pixels of four bytes R, G, B, A, rows from the top down, no padding. The MPC
// writer stores it; textures that fade out (sprites, particles) are made in it.

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbaImage {
    int width = 0;             // pixels per row
    int height = 0;            // rows
    std::vector<uint8_t> rgba; // width * height * 4 bytes, top row first

    RgbaImage() = default;
    RgbaImage(int width_, int height_)
        : width(width_), height(height_), rgba(size_t(width_) * height_ * 4, 0) {}

    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};
