#pragma once
// Writes an RgbImage as an uncompressed 24-bit BMP file: 54-byte header,
// rows stored bottom-up in B, G, R order, each row padded to four bytes. The
// data generator needs no SDL for this.

#include "tools/RgbImage.h"

#include <string>

namespace bmp {

// The whole file as bytes.
std::string encode24(const RgbImage& image);

// Writes the file at a host path (forward slashes); false when it could not be
// written completely.
bool write24(const std::string& hostPath, const RgbImage& image);

} // namespace bmp
