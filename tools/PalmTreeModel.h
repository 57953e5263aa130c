#pragma once
// The palm tree of the demo: a curved trunk of eight segments, a crown of eight
// drooping fronds and three coconuts, about 6.5 units tall with the foot of the
// trunk at the origin (y up). Sixteen meshes make one sway cycle: frame k shows
// the tree at phase 2 pi k / 16, so frame 15 runs on into frame 0 without a
// jump. Every frame has the same vertices in the same order; only their
// positions and normals move.

#include "tools/ModelDescription.h"

namespace palmtree {

const int frameCount = 16;
extern const char* const barkTexture; // engine path of the bark texture
extern const char* const leafTexture; // engine path of the frond texture

ModelDescription make();

} // namespace palmtree
