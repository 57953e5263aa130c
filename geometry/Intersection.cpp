#include "geometry/Intersection.h"

float segmentIntersection2D(Vector2 a0, Vector2 a1, Vector2 b0, Vector2 b1, float* sOut) {
    Vector2 dA = a1.minus(a0);
    Vector2 dB = b1.minus(b0);

    // Parallel or degenerate segments make t (and s) infinite or undefined; the
    // inclusive range tests below are written so that NaN fails every one of them.
    float t = ((b0.y - a0.y) * dB.x - (b0.x - a0.x) * dB.y) / (dA.y * dB.x - dA.x * dB.y);
    float s;
    if (dB.x != 0.0f)
        s = (dA.x * t - b0.x + a0.x) / dB.x;
    else
        s = (dA.y * t - b0.y + a0.y) / dB.y;

    if (t >= 0.0f && t <= 1.0f && s >= 0.0f && s <= 1.0f) {
        if (sOut)
            *sOut = s;
        return t;
    }
    return -1.0f;
}

bool lineHitsTriangle(const Matrix3& basisInverse, Vector3 offset, Vector3 direction) {
    Vector3 q = basisInverse.transform(offset);
    Vector3 k = basisInverse.transform(direction);
    float t = -(q.z / k.z);
    Vector3 h = q.plus(k.times(t));
    // A direction parallel to the plane gives an infinite or NaN h; every
    // comparison is >= or <= so that NaN makes it fail.
    return h.x >= 0.0f && h.x <= 1.0f && h.y >= 0.0f && h.y <= 1.0f && h.x + h.y <= 1.0f;
}
