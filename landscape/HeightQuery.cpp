// The ground height under a point, exactly on the drawn triangles.

#include "landscape/Landscape.h"

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

float Sector::heightAt(float x, float z) const {
    // Points on the bounds count as inside; written so that NaN is outside.
    if (!(x >= minX && x <= maxX && z >= minZ && z <= maxZ))
        return noGround;
    // A sector needs at least one cell and a forward grid to have a surface
    // (a scale by zero or a mirror turns the steps to 0 or below).
    if (columns < 2 || rows < 2 || !(stepX > 0.0f && stepZ > 0.0f) ||
        size_t(columns) * size_t(rows) > positions.size())
        return noGround;

    float dx = x - minX;
    float dz = z - minZ;
    int c = int(dx / stepX);
    int r = int(dz / stepZ);
    // On the maximum bound (or where rounding lands past the last vertex) there is
    // no cell beyond; the last cell answers with its far edge.
    if (c > columns - 2)
        c = columns - 2;
    if (r > rows - 2)
        r = rows - 2;
    float fx = dx - c * stepX;
    float fz = dz - r * stepZ;

    auto y = [&](int column, int row) { return positions[size_t(row) * columns + column].y; };
    if (fz <= stepZ - (stepZ / stepX) * fx)
        return y(c, r) + fx * (y(c + 1, r) - y(c, r)) / stepX +
               fz * (y(c, r + 1) - y(c, r)) / stepZ;
    return y(c, r + 1) + fx * (y(c + 1, r + 1) - y(c, r + 1)) / stepX +
           (stepZ - fz) * (y(c + 1, r) - y(c + 1, r + 1)) / stepZ;
}
