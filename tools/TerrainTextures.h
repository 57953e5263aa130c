#pragma once
// The ground textures of the demo, 256 x 256 pixels each and seamless when
// tiled: every noise they are made of repeats exactly every 256 pixels. Grass,
// dark grass, sand and rock, all of this project's own making and fixed seeds.

#include "tools/RgbImage.h"

namespace terraintextures {

const int size = 256; // pixels per side

RgbImage grass();
RgbImage darkGrass();
RgbImage sand();
RgbImage rock();

} // namespace terraintextures
