#pragma once
// A picture being made by the data generator: width x height pixels of three
// bytes R, G, B, rows one after another from the top row down, no padding.
// It knows nothing about files; BmpWriter stores it.

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbImage {
    int width = 0;            // pixels per row
    int height = 0;           // rows
    std::vector<uint8_t> rgb; // width * height * 3 bytes, top row first

    RgbImage() = default;
    RgbImage(int width_, int height_);

    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b);
    void setGrey(int x, int y, uint8_t value);
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};
