// The ground height under a point, exactly on the drawn triangles.

#include "landscape/Landscape.h"

#include <algorithm>
#include <cmath>

float Landscape::heightAt(float x, float z) const {
    // Sector indices truncate towards zero, so -0.5 still asks column 0, which
    // then answers that the point lies outside it. Compared as floats first so
    // that far-off or non-numeric points never become out-of-range integers.
    float across = x / sectorSizeX;
    float down = z / sectorSizeZ;
    if (!(across > -1.0f && across < float(sectorsAcross) && down > -1.0f &&
          down < float(sectorsDown)))
        return noGround;
    int i = int(across);
    int j = int(down);
    if (i < 0 || i >= sectorsAcross || j < 0 || j >= sectorsDown ||
        size_t(j) * sectorsAcross + i >= sectors.size())
        return noGround;
    return sectorAt(i, j).heightAt(x, z);
}

// The cell holding a position measured in steps from the sector's origin,
// truncated towards zero and kept within 0 .. last.
static int cellIndex(float steps, int last) {
    if (!(steps > 0.0f))
        return 0;
    if (steps >= float(last))
        return last;
    return int(steps);
}

float Sector::heightAt(float x, float z) const {
    // Points on the bounds count as inside; written so that NaN is outside.
    if (!(x >= minX && x <= maxX && z >= minZ && z <= maxZ))
        return noGround;
    // A sector needs at least one cell and a forward grid to have a surface
    // (a scale by zero or a mirror turns the steps to 0 or below).
    if (columns < 2 || rows < 2 || !(stepX > 0.0f && stepZ > 0.0f) || !std::isfinite(stepX) ||
        !std::isfinite(stepZ) || size_t(columns) * size_t(rows) > positions.size())
        return noGround;

    float dx = x - minX;
    float dz = z - minZ;
    // On the maximum bound (or where rounding or a step that does not match the
    // vertices lands past the last vertex) there is no cell beyond; the last
    // cell answers with its far edge. Held in range as floats, so the
    // conversion to int is always defined.
    int c = cellIndex(dx / stepX, columns - 2);
    int r = cellIndex(dz / stepZ, rows - 2);
    // Offsets inside the cell, held inside it: the answer stays on the cell's
    // two faces instead of extrapolating their planes.
    float fx = std::min(std::max(dx - c * stepX, 0.0f), stepX);
    float fz = std::min(std::max(dz - r * stepZ, 0.0f), stepZ);

    auto y = [&](int column, int row) { return positions[size_t(row) * columns + column].y; };
    if (fz <= stepZ - (stepZ / stepX) * fx)
        return y(c, r) + fx * (y(c + 1, r) - y(c, r)) / stepX +
               fz * (y(c, r + 1) - y(c, r)) / stepZ;
    return y(c, r + 1) + fx * (y(c + 1, r + 1) - y(c, r + 1)) / stepX +
           (stepZ - fz) * (y(c + 1, r) - y(c + 1, r + 1)) / stepZ;
}
