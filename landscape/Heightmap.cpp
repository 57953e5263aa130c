#include "landscape/Heightmap.h"

#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "platform/WorkerPool.h"

#include <algorithm>

#include <vector>

void hermiteSamples(float p0, float p1, float t0, float t1, float* out, float n) {
    if (!(n > 0))
        return;
    float a2 = ((p1 - p0) - 0.6666667 * t0 - 0.33333334 * t1) * 6;
    float a3 = ((t1 - t0) - a2) * 2;
    float dt = 1.0f / n;
    float t = 0;
    for (int i = 0; i < n; ++i) {
        out[i] = a3 * t * t * t * 0.16666667 + a2 * t * t * 0.5 + t0 * t + p0;
        t = t + dt;
    }
}

int verticesPerPixel(float step) {
    // Anything finer than this is not a grid a height image can describe and
    // would only overflow the count.
    const double finest = 1 << 20;
    double perPixel = 1.0f / step + 0.0001;
    if (!(perPixel >= 1.0) || perPixel > finest)
        return 0;
    return int(perPixel);
}

namespace {

// Height of pixel (q, r), held inside the image.
float pixelHeight(const float* heights, int width, int height, int q, int r) {
    if (q < 0)
        q = 0;
    else if (q >= width)
        q = width - 1;
    if (r < 0)
        r = 0;
    else if (r >= height)
        r = height - 1;
    return heights[size_t(r) * size_t(width) + size_t(q)];
}

// The spline down pixel column q from row pz to pz + 1: n samples and the end
// value b as sample n. out holds n + 1 values.
void columnSpline(const float* heights, int width, int height, int q, int pz, int pzm, int pzp,
                  int n, float* out) {
    float a = pixelHeight(heights, width, height, q, pz);
    float b = pixelHeight(heights, width, height, q, pz + 1);
    float ta = (b - pixelHeight(heights, width, height, q, pzm)) * 0.5f;
    float tb = (pixelHeight(heights, width, height, q, pzp) - a) * 0.5f;
    hermiteSamples(a, b, ta, tb, out, float(n));
    out[n] = b;
}

// Truncates towards zero, with the value first held in [low, high] so that a
// position far off the image (or not a number) still gives a defined index.
int truncateWithin(float value, int low, int high) {
    if (!(value > float(low)))
        return low;
    if (value > float(high))
        return high;
    return int(value);
}

} // namespace

void Sector::fillBlock(int vx, int vz, const float* heights, int px, int pz, int width,
                       int height) {
    int nx = verticesPerPixel(stepX);
    int nz = verticesPerPixel(stepZ);
    if (nx == 0 || nz == 0 || heights == nullptr || width <= 0 || height <= 0)
        return;

    int pzm = pz > 0 ? pz - 1 : pz;
    int pzp = pz + 2 < height ? pz + 2 : pz + 1;

    // The block's two pixel columns and their outer neighbours, nz + 1 values
    // each; at the image border a missing neighbour is the column beside it.
    // Kept per thread: a fine grid fills one block per vertex.
    thread_local std::vector<float> left, right, outerLeft, outerRight, row;
    for (std::vector<float>* column : {&left, &right, &outerLeft, &outerRight})
        column->resize(size_t(nz) + 1);
    row.resize(size_t(nx));
    columnSpline(heights, width, height, px, pz, pzm, pzp, nz, left.data());
    columnSpline(heights, width, height, px + 1, pz, pzm, pzp, nz, right.data());
    if (px - 1 >= 0)
        columnSpline(heights, width, height, px - 1, pz, pzm, pzp, nz, outerLeft.data());
    else
        outerLeft = left;
    if (px + 2 < width)
        columnSpline(heights, width, height, px + 2, pz, pzm, pzp, nz, outerRight.data());
    else
        outerRight = right;

    // Only vertices inside the grid are written: a spacing that does not divide
    // the sector evenly leaves the last block partly outside it.
    Vector3* grid = positions.write();
    auto setHeight = [this, grid](int c, int r, float y) {
        if (c >= 0 && c < columns && r >= 0 && r < rows)
            grid[size_t(r) * size_t(columns) + size_t(c)].y = y;
    };
    for (int k = 0; k <= nz; ++k) {
        setHeight(vx, vz + k, left[k]);
        setHeight(vx + nx, vz + k, right[k]);
    }
    for (int k = 0; k <= nz; ++k) {
        float p0 = left[k];
        float p1 = right[k];
        float t0 = (p1 - outerLeft[k]) * 0.5f;
        float t1 = (outerRight[k] - p0) * 0.5f;
        hermiteSamples(p0, p1, t0, t1, row.data(), float(nx));
        for (int j = 0; j < nx; ++j)
            setHeight(vx + j, vz + k, row[j]);
    }
}

void Sector::loadBump(const float* heights, int width, int height) {
    if (vertexCount <= 0)
        return;
    bool haveImage = heights != nullptr && width > 0 && height > 0;
    int nx = verticesPerPixel(stepX);
    int nz = verticesPerPixel(stepZ);
    if (haveImage && nx > 0 && nz > 0) {
        for (int vz = 0; vz < rows - 1; vz += nz) {
            for (int vx = 0; vx < columns - 1; vx += nx) {
                // Pixel indices beyond one block outside the image read the
                // same clamped pixels, so holding them there changes nothing.
                int pz = truncateWithin(float(vz / nz) + positions[0].z, -2, height + 2);
                int px = truncateWithin(float(vx / nx) + positions[0].x, -2, width + 2);
                fillBlock(vx, vz, heights, px, pz, width, height);
            }
        }
    } else if (haveImage) {
        // Vertices farther apart than a pixel: each takes the pixel under it.
        positions.update([&](size_t, Vector3& p) {
            int q = truncateWithin(p.x, 0, width - 1);
            int r = truncateWithin(p.z, 0, height - 1);
            p.y = pixelHeight(heights, width, height, q, r);
        });
    }
    computeBounds();
}

// Each sector reads the image and writes its own vertices only, so the
// sectors are shared between the cores.
void Landscape::loadBump(const float* heights, int width, int height) {
    invalidateLists();
    const int count = int(std::min(sectors.size(), size_t(std::max(sectorCount, 0))));
    WorkerPool::shared().forEach(count, 8, [&](int begin, int end, int) {
        for (int s = begin; s < end; ++s)
            sectors[size_t(s)].loadBump(heights, width, height);
    });
}
