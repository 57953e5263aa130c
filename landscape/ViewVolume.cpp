#include "landscape/ViewVolume.h"

#include <GL/gl.h>

#include <cmath>

void ViewVolume::fromCurrentMatrices() {
    GLdouble projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += projection[k * 4 + row] * modelview[column * 4 + k];
            clip[column * 4 + row] = sum;
        }
}

void ViewVolume::cornerClip(const float box[6], int corner, double c[4]) const {
    const double p[3] = {box[(corner & 1) ? 3 : 0], box[(corner & 2) ? 4 : 1],
                         box[(corner & 4) ? 5 : 2]};
    for (int row = 0; row < 4; ++row)
        c[row] = clip[row] * p[0] + clip[4 + row] * p[1] + clip[8 + row] * p[2] + clip[12 + row];
}

bool ViewVolume::excludes(float minX, float minY, float minZ, float maxX, float maxY,
                          float maxZ) const {
    const float box[6] = {minX, minY, minZ, maxX, maxY, maxZ};
    // outside[p]: corners beyond plane p so far; planes x > w, x < -w, y > w,
    // y < -w, z > w, z < -w.
    int outside[6] = {};
    for (int corner = 0; corner < 8; ++corner) {
        double c[4];
        cornerClip(box, corner, c);
        for (int axis = 0; axis < 3; ++axis) {
            double margin = 1e-3 * (std::fabs(c[axis]) + std::fabs(c[3])) + 1e-6;
            if (c[axis] - c[3] > margin)
                ++outside[2 * axis];
            if (-c[axis] - c[3] > margin)
                ++outside[2 * axis + 1];
        }
    }
    for (int count : outside)
        if (count == 8)
            return true;
    return false;
}
