#pragma once
// Bounds on the rounding of the shadow tracer's floating-point tests. The
// tracer may leave a face out only when no rounding of the exact tests could
// make that face decide the answer; these are the margins it leaves out by:
// how far from the truth the ground crossing test can report a crossing, how
// far from its triangle the line test can report a hit through a face's
// stored basis inverse, and floats safely rounded up or down from a double.
// Every bound here errs on the wide side; a wider bound only costs time.

#include "geometry/Matrix3.h"
#include "geometry/Vector3.h"

namespace shadowtrace {

// How far from the truth (relative to the size of the numbers involved) the
// ground crossing test may report a crossing. It runs in 32-bit floats, a few
// units of 6e-8 per operation; a reported crossing lies within about 3e-7 of
// the ray and the edge. This leaves a safety factor of twenty or more.
const double groundSlack = 1e-5;

// A float not below v, and one not above it.
float roundedUp(double v);
float roundedDown(double v);

// How far from its triangle the line test can report a hit on a face, for a
// traced point within `span` of every corner. The test finds, in floats, where
// the line meets the plane of the triangle that the stored inverse M
// describes, in that triangle's own coordinates; each rounding is at most
// u = 2^-24 of the numbers involved. Carried through, a reported hit means
// that the line's point at the computed parameter lies within
// 11.6 u |B| |M| S + 4.8 u |B| of that triangle (B the basis of the face's
// corners, S the distance from the traced point to corner 0 plus the distance
// along the line to the hit), and that triangle lies within 4/3 |B| |E| of the
// real one, E = M B - I, while |E| < 1/4. S is at most twice the distance to
// corner 0, plus the triangle's diameter, plus the bound itself. All norms are
// Frobenius norms, and the whole bound is taken four times over. Faces whose
// inverse is too far off, or so badly conditioned that the bound grows
// faster than the distance, get an infinite reach.
double faceReach(const Matrix3& inverse, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                 double span);

} // namespace shadowtrace
