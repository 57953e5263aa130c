#pragma once
// The two intersection tests of the terrain: a segment against a segment in the
// ground plane, and an infinite line against a triangle given by the inverse of
// its edge basis.

#include "geometry/Matrix3.h"
#include "geometry/Vector2.h"
#include "geometry/Vector3.h"

// Parameter t in [0, 1] along a0->a1 where it crosses b0->b1 (s along the second
// stored in *sOut when given), or -1.0 when they do not cross.
float segmentIntersection2D(Vector2 a0, Vector2 a1, Vector2 b0, Vector2 b1, float* sOut = nullptr);

// True when the whole line through (corner 0 + offset) along direction passes
// through the triangle whose basis inverse is given.
bool lineHitsTriangle(const Matrix3& basisInverse, Vector3 offset, Vector3 direction);
