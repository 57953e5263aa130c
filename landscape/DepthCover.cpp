#include "landscape/DepthCover.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

bool DepthCover::read(const ViewVolume& volume) {
    usable = false;
    GLint function = 0, bits = 0;
    GLfloat scale = 1.0f, bias = 0.0f;
    GLdouble range[2] = {0.0, 1.0};
    glGetIntegerv(GL_DEPTH_FUNC, &function);
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    glGetFloatv(GL_DEPTH_SCALE, &scale);
    glGetFloatv(GL_DEPTH_BIAS, &bias);
    glGetDoublev(GL_DEPTH_RANGE, range);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (!glIsEnabled(GL_DEPTH_TEST) || (function != GL_LESS && function != GL_LEQUAL) ||
        bits <= 0 || glIsEnabled(GL_STENCIL_TEST) || glIsEnabled(GL_POLYGON_OFFSET_FILL) ||
        scale != 1.0f || bias != 0.0f || !(range[0] < range[1]) || viewport[2] <= 0 ||
        viewport[3] <= 0 || int64_t(viewport[2]) * viewport[3] > maximumPixels)
        return false;
    view = volume;
    depthNear = range[0];
    depthFar = range[1];
    // Four steps of the depth buffer, and ample room for the float rounding of
    // the transform and of the depth interpolated across a triangle.
    margin = (depthFar - depthNear) * (1e-5 + 4.0 * std::ldexp(1.0, -std::min(int(bits), 30)));

    const int width = viewport[2], height = viewport[3];
    // Pixels the read does not deliver stay at the far plane, which hides only
    // what lies beyond it and draws nothing anyway.
    depths.assign(size_t(width) * size_t(height), UINT32_MAX);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    glReadPixels(viewport[0], viewport[1], width, height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,
                 depths.data());
    glPopClientAttrib();

    blocksWide = (width + blockSize - 1) / blockSize;
    blocksHigh = (height + blockSize - 1) / blockSize;
    farthestDepth.assign(size_t(blocksWide) * size_t(blocksHigh), 0);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = &depths[size_t(y) * size_t(width)];
        uint32_t* blocks = &farthestDepth[size_t(y / blockSize) * size_t(blocksWide)];
        for (int x = 0; x < width; ++x)
            blocks[x / blockSize] = std::max(blocks[x / blockSize], row[x]);
    }
    usable = true;
    return true;
}

bool DepthCover::hides(const float box[6]) const {
    if (!usable)
        return false;
    // The box's corners in normalized device coordinates. With all of them in
    // front of the eye the box projects into the rectangle of its corners, and
    // no point of it is nearer than its nearest corner: depth is a ratio of two
    // affine functions of the position, least at a corner of a box.
    double left = HUGE_VAL, right = -HUGE_VAL, bottom = HUGE_VAL, top = -HUGE_VAL;
    double nearest = HUGE_VAL;
    for (int corner = 0; corner < 8; ++corner) {
        double c[4];
        view.cornerClip(box, corner, c);
        if (!(c[3] > 0.0))
            return false;
        const double x = c[0] / c[3], y = c[1] / c[3], z = c[2] / c[3];
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
            return false;
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
        nearest = std::min(nearest, z);
    }
    // Clipping at the near plane makes depths no nearer than depthNear, and the
    // nearest corner's depth is below that then: still a bound.
    const double closest = depthNear + (depthFar - depthNear) * (nearest + 1.0) * 0.5;

    // The pixels whose centres the box may cover, widened by one on each side.
    const int width = viewport[2], height = viewport[3];
    const double x0 = std::max((left + 1.0) * 0.5 * width - 1.0, 0.0);
    const double x1 = std::min((right + 1.0) * 0.5 * width + 1.0, width - 1.0);
    const double y0 = std::max((bottom + 1.0) * 0.5 * height - 1.0, 0.0);
    const double y1 = std::min((top + 1.0) * 0.5 * height + 1.0, height - 1.0);
    if (x0 > x1 || y0 > y1)
        return true; // wholly outside the viewport: no fragment at all
    const int bx0 = int(x0) / blockSize, bx1 = int(x1) / blockSize;
    const int by0 = int(y0) / blockSize, by1 = int(y1) / blockSize;
    const double threshold = (closest - margin) * double(UINT32_MAX); // as read back
    for (int by = by0; by <= by1; ++by)
        for (int bx = bx0; bx <= bx1; ++bx)
            if (!(double(farthestDepth[size_t(by) * size_t(blocksWide) + size_t(bx)]) < threshold))
                return false;
    return true;
}
