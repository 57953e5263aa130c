#pragma once
// Writing a shown frame to a picture file. The frame is 24-bit RGB, rows
// without padding, either top row first or (as glReadPixels delivers them)
// bottom row first. PNG files are written by libpng, compressed; every other
// name gets a 24-bit BMP.

#include <cstdint>

enum class RowOrder { TopFirst, BottomFirst };

struct RgbFrame {
    int width = 0;                       // pixels per row
    int height = 0;                      // rows
    const uint8_t* pixels = nullptr;     // width * height * 3 bytes, R, G, B
    RowOrder order = RowOrder::TopFirst; // which row comes first in pixels
};

// True when the file name ends in ".png" (any letter case).
bool namesPng(const char* path);

// Write the frame; false (nothing useful written) when the frame is empty or
// too large for the format, or the file cannot be written.
bool writePng(const char* path, const RgbFrame& frame);
bool writeBmp(const char* path, const RgbFrame& frame);

// PNG for a .png name, BMP otherwise.
bool writeScreenshot(const char* path, const RgbFrame& frame);
