#pragma once
// The volume OpenGL draws into, taken from the current projection and
// modelview matrices: the points whose clip coordinates satisfy -w <= x, y,
// z <= w. excludes() tells whether a box lies wholly outside it, i.e. whether
// all eight corners are beyond one and the same of its six planes. A triangle
// inside such a box yields no fragment, so drawing it changes nothing on
// screen. The test is conservative: a box within a thousandth of a plane
// counts as possibly visible, so rounding in OpenGL's own transform can never
// make a dropped box one that would have shown.

class ViewVolume {
  public:
    // Reads GL_PROJECTION_MATRIX and GL_MODELVIEW_MATRIX.
    void fromCurrentMatrices();
    bool excludes(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) const;
    // Clip coordinates (x, y, z, w) of corner 0..7 of the box min x, y, z, max
    // x, y, z; bit 0 of the corner picks max x, bit 1 max y, bit 2 max z.
    void cornerClip(const float box[6], int corner, double c[4]) const;

  private:
    double clip[16] = {}; // projection * modelview, column-major as OpenGL keeps it
};
