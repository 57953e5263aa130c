#pragma once
// Writes MPC images, the engine's own texture format: a 22-byte header (magic
// 200, width, height and bytes per pixel as 16-bit little-endian numbers, then
// 14 reserved zero bytes) followed by the pixels, rows from the first texture
// row on, R G B (A) bytes, no padding and nothing after them.

#include "tools/RgbImage.h"
#include "tools/RgbaImage.h"

#include <string>

namespace mpc {

const int headerBytes = 22;

// The whole file as bytes: 3 bytes a pixel for an RgbImage, 4 for an RgbaImage.
std::string encode(const RgbImage& image);
std::string encode(const RgbaImage& image);

} // namespace mpc
