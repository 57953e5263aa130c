#pragma once
// The textures of the world's objects and effects, written as MPC files: water
// (tileable), the sun's soft disc, the alpha ball of explosions and the muzzle
// flash, palm bark and fronds, the tank's camouflage and tracks, the rocket.
// Power-of-two sizes; fixed seeds, so every run makes the same pixels. Texture
// row 0 is the first row of the image (v = 0).

#include "tools/RgbImage.h"
#include "tools/RgbaImage.h"

namespace entitytextures {

RgbImage water();      // 128 x 128, blue-green ripples, seamless when tiled
RgbImage sun();        // 128 x 128, white-hot core fading to black at the rim
RgbaImage alphaBall(); // 64 x 64, white; alpha 1 in the middle, 0 at the rim
RgbImage palmBark();   // 64 x 64, one trunk segment: fibres, dark joint at v near 1
RgbImage palmLeaf();   // 128 x 128, a frond: u across (midrib at 0.5), v base to tip
RgbImage tankCamo();   // 128 x 128, olive camouflage blotches, seamless
RgbImage tankTrack();  // 64 x 64, dark track links across v, seamless
RgbImage rocket();     // 64 x 64, light grey body with a red band, u around

} // namespace entitytextures
