#include "lighting/ShadowBounds.h"

#include <cmath>
#include <limits>

namespace shadowtrace {

// A float not below v, and one not above it: moving v by twice a float's
// relative spacing first keeps the nearest float on the right side.
float roundedUp(double v) {
    if (!std::isfinite(v))
        return float(v);
    return float(v + std::fabs(v) * (1.0 / 4194304.0) + 1e-37);
}
float roundedDown(double v) {
    if (!std::isfinite(v))
        return float(v);
    return float(v - std::fabs(v) * (1.0 / 4194304.0) - 1e-37);
}

double faceReach(const Matrix3& inverse, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                 double span) {
    const double unit = 1.0 / 16777216.0; // 2^-24
    const double safety = 4.0;
    const double e1x = double(p1.x) - p0.x, e1y = double(p1.y) - p0.y, e1z = double(p1.z) - p0.z;
    const double e2x = double(p2.x) - p0.x, e2y = double(p2.y) - p0.y, e2z = double(p2.z) - p0.z;
    const double nx = e1y * e2z - e1z * e2y, ny = e1z * e2x - e1x * e2z, nz = e1x * e2y - e1y * e2x;
    const double e1Squared = e1x * e1x + e1y * e1y + e1z * e1z;
    const double e2Squared = e2x * e2x + e2y * e2y + e2z * e2z;
    const double basisSquared = e1Squared + e2Squared + nx * nx + ny * ny + nz * nz;
    // E = M B - I: each row of M against the columns e1, e2, n of B.
    const float* m = inverse.m;
    const double m00 = m[0], m01 = m[1], m02 = m[2];
    const double m10 = m[3], m11 = m[4], m12 = m[5];
    const double m20 = m[6], m21 = m[7], m22 = m[8];
    const double inverseSquared = m00 * m00 + m01 * m01 + m02 * m02 + m10 * m10 + m11 * m11 +
                                  m12 * m12 + m20 * m20 + m21 * m21 + m22 * m22;
    const double a0 = m00 * e1x + m01 * e1y + m02 * e1z - 1.0;
    const double b0 = m00 * e2x + m01 * e2y + m02 * e2z;
    const double c0 = m00 * nx + m01 * ny + m02 * nz;
    const double a1 = m10 * e1x + m11 * e1y + m12 * e1z;
    const double b1 = m10 * e2x + m11 * e2y + m12 * e2z - 1.0;
    const double c1 = m10 * nx + m11 * ny + m12 * nz;
    const double a2 = m20 * e1x + m21 * e1y + m22 * e1z;
    const double b2 = m20 * e2x + m21 * e2y + m22 * e2z;
    const double c2 = m20 * nx + m21 * ny + m22 * nz - 1.0;
    const double errorSquared =
        a0 * a0 + b0 * b0 + c0 * c0 + a1 * a1 + b1 * b1 + c1 * c1 + a2 * a2 + b2 * b2 + c2 * c2;
    if (!(errorSquared < 0.25 * 0.25))
        return std::numeric_limits<double>::infinity();
    const double basisNorm = std::sqrt(basisSquared);
    const double fixed = safety * basisNorm * (4.0 / 3.0 * std::sqrt(errorSquared) + 4.8 * unit);
    const double growth = safety * 11.6 * unit * basisNorm * std::sqrt(inverseSquared);
    if (!(growth < 0.5))
        return std::numeric_limits<double>::infinity();
    // The triangle's diameter is at most |e1| + |e2|, which is at most
    // sqrt(2 (|e1|^2 + |e2|^2)).
    const double diameter = std::sqrt(2.0 * (e1Squared + e2Squared));
    return (fixed + growth * (2.0 * span + diameter)) / (1.0 - growth);
}

} // namespace shadowtrace
