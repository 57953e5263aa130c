#pragma once
// Everything the demo reads that is made rather than written by hand: the font
// sheet, the island's height image, the ground textures and the painting masks
// as 24-bit BMP files, the textures of the world's objects as MPC images and
// its models as M3A files, all under a root folder:
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
//   data/textures/water.mpc      128 x 128 RGB, tileable sea
//   data/textures/sun.mpc        128 x 128 RGB, soft disc, black at the rim
//   data/textures/alphaball.mpc  64 x 64 RGBA, alpha falling to 0 at the rim
//   data/textures/palmbark.mpc   64 x 64 RGB, one trunk segment
//   data/textures/palmleaf.mpc   128 x 128 RGB, one frond
//   data/models/palmtree.m3a     16 frames of a swaying palm tree
//   data/textures/tankcamo.mpc   128 x 128 RGB, tileable olive camouflage
//   data/textures/tanktrack.mpc  64 x 64 RGB, track links
//   data/textures/rocket.mpc     64 x 64 RGB, the rocket's skin
//   data/models/tank01Body.m3a   the tank's hull
//   data/models/tank01Foot.m3a   one track with its road wheels (both sides use it)
//   data/models/tank01turret.m3a the turret's dome
//   data/models/tank01pipe.m3a   mantlet and barrel, ending at z = -2
//   data/models/smallrocket.m3a  the rocket the pipe fires
//
// It also makes the folders data/dumps, where painting leaves its last mask,
// and data/records, where recorded drives are kept.

#include <string>
#include <vector>

namespace demodata {

// Writes every file under root (a host path). Returns false and says why in
// error when a folder or file could not be written; written lists the files
// written so far, relative to root with forward slashes.
bool writeAll(const std::string& root, std::vector<std::string>& written, std::string& error);

} // namespace demodata
