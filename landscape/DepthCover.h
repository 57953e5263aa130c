#pragma once
// What the depth buffer already hides. read() takes a copy of the depth buffer
// over the viewport, mid-frame, and keeps the farthest stored depth of every
// 8 x 8 pixel block. hides() then tells whether every fragment that a triangle
// lying inside a box could produce is farther than what is stored under it,
// so that the depth test (GL_LESS or GL_LEQUAL) would reject them all and
// drawing the box's contents would change no pixel and no stored depth.
// Drawing only ever lowers stored depths, so an answer stays true for the rest
// of the frame: the terrain draws its nearest sectors, reads, and leaves out
// the farther sectors that the hills in front already cover.
//
// The answer is conservative: a box reaching behind the eye or in front of the
// near plane is never hidden, its screen rectangle is widened by a pixel, and
// its nearest depth must clear the stored one by a margin far above both the
// depth buffer's step and the rounding of OpenGL's own transform. When the
// depth state could let a rejected fragment matter (no depth test, another
// comparison, stencil, polygon offset, a depth scale or bias on reading, a
// reversed depth range) or the viewport is beyond 16 million pixels, read()
// declines and hides() hides nothing.
// Needs the GL context; keeps its buffers between frames.

#include "landscape/ViewVolume.h"

#include <cstdint>
#include <vector>

class DepthCover {
  public:
    // Reads the depth buffer under the current viewport; false when the depth
    // state does not allow leaving anything out (then hides() is false).
    bool read(const ViewVolume& volume);
    // True when drawing any triangle within the box (min x, y, z, max x, y, z,
    // world coordinates under the matrices read() saw) would change nothing.
    bool hides(const float box[6]) const;

  private:
    static const int blockSize = 8;                        // pixels along each side of a block
    static const int64_t maximumPixels = int64_t(1) << 24; // larger viewports are not read

    bool usable = false;
    ViewVolume view;                     // the matrices read() saw
    int viewport[4] = {};                // x, y, width, height in pixels
    double depthNear = 0.0;              // window depth of the near plane
    double depthFar = 1.0;               // window depth of the far plane
    double margin = 0.0;                 // window depth a hidden box must clear
    int blocksWide = 0;                  // blocks per row
    int blocksHigh = 0;                  // rows of blocks
    std::vector<uint32_t> depths;        // window depths read, 1 = UINT32_MAX, bottom row first
    std::vector<uint32_t> farthestDepth; // per block, bottom row first
};
