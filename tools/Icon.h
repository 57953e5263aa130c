#pragma once
// The program's icon, cut from a headless screenshot of the island: a square
// of the screenshot, scaled down to each icon size by area averaging (every
// icon pixel is the mean of the screenshot area it covers, partly covered
// pixels counting by their share), so the picture stays smooth at any size.
// PNG files are read and written through libpng.

#include "tools/RgbImage.h"

#include <string>

namespace icon {

// The square of `side` pixels at (left, top) of `picture`, scaled to `size` x
// `size`, never larger. Empty (width 0) when the square does not lie inside
// the picture or is smaller than `size`.
RgbImage scaleSquare(const RgbImage& picture, int left, int top, int side, int size);

bool readPng(const std::string& path, RgbImage& image, std::string& error);
bool writePng(const std::string& path, const RgbImage& image, std::string& error);

// Writes FOLDER/NxN/apps/kestu.png for N = 48, 128 and 256 (the hicolor
// icon theme's layout) from the square of the screenshot file `shot`.
bool writeIcons(const std::string& shot, int left, int top, int side, const std::string& folder,
                std::string& error);

} // namespace icon
