#pragma once
// Everything the demo reads that is made rather than written by hand: the font
// sheet, the island's height image, the ground textures and the painting
// masks, written as 24-bit BMP files under a root folder:
//
//   data/textures/ascii.bmp      font sheet, 16 x 16 cells of 16 pixels
//   data/maps/island.bmp         1025 x 1025 height image (red = height)
//   data/textures/grass.bmp      256 x 256 tileable ground textures
//   data/textures/darkgrass.bmp
//   data/textures/sand.bmp
//   data/textures/rock.bmp
//   data/masks/grass.bmp         1025 x 1025 painting masks (red = weight)
//   data/masks/darkgrass.bmp
//   data/masks/sand.bmp
//   data/masks/rock.bmp
//
// It also makes the folder data/dumps, where painting leaves its last mask.

#include <string>
#include <vector>

namespace demodata {

// Writes every file under root (a host path). Returns false and says why in
// error when a folder or file could not be written; written lists the files
// written so far, relative to root with forward slashes.
bool writeAll(const std::string& root, std::vector<std::string>& written, std::string& error);

} // namespace demodata
