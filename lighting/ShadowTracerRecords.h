#pragma once
// The records the parts of the shadow tracer share: what is known about each
// cell of the grid and each square window of cells, the walk patterns and
// their steps, one point's query, the per-thread scratch, and the small
// ground-plane helpers. Only the tracer's own files include this.

#include "lighting/ShadowTracer.h"

#include "geometry/Intersection.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace shadowtrace {

const double infinity = std::numeric_limits<double>::infinity();

// One coordinate of the line's ground track: origin + t * dir.
struct Axis {
    double origin = 0, dir = 0;
    double inverse = 0; // 1 / dir, 0 when dir is 0

    double at(double t) const { return origin + t * dir; }
};

// Clips the parameter interval [t0, t1] to lo <= origin + t * dir <= hi.
// False when nothing is left.
inline bool clipSlab(const Axis& axis, double lo, double hi, double& t0, double& t1) {
    if (axis.dir == 0.0)
        return axis.origin >= lo && axis.origin <= hi;
    double u0 = (lo - axis.origin) * axis.inverse;
    double u1 = (hi - axis.origin) * axis.inverse;
    if (u0 > u1)
        std::swap(u0, u1);
    t0 = std::max(t0, u0);
    t1 = std::min(t1, u1);
    return t0 <= t1;
}

// Squares of cells whose height bounds let the walk pass many cells at once,
// largest first.
const int windowLevels = 2;
const int windowSizes[windowLevels] = {16, 4};

// Whether the ground ray a -> b crosses the outline of the triangle p0 p1 p2:
// an edge counts when the ray crosses it strictly between its ends, and a
// line through a triangle crosses two of its edges, so p2 -> p0 is not needed.
// Either of the two edges may be asked first; p1 -> p2 is the cell's diagonal
// on the grid, which a ray through either face of the cell nearly always
// crosses.
inline bool edgeCrossed(Vector2 a, Vector2 b, Vector2 g0, Vector2 g1) {
    float s = 0.0f;
    float t = segmentIntersection2D(a, b, g0, g1, &s);
    return t != -1.0f && s != 0.0f && s != 1.0f;
}

inline bool outlineCrossed(const Vector3& p0, const Vector3& p1, const Vector3& p2, Vector2 a,
                           Vector2 b) {
    const Vector2 g0(p0.x, p0.z), g1(p1.x, p1.z), g2(p2.x, p2.z);
    return edgeCrossed(a, b, g1, g2) || edgeCrossed(a, b, g0, g1);
}

} // namespace shadowtrace

// What the tracer knows about one cell of the grid.
// Over the part of the line that passes within the walk width of the cell,
// the line is between bottom and top wherever it can get a hit on the cell's
// faces reported (+-inf: anywhere).
struct ShadowTracer::CellBounds {
    float bottom, top;
    float reach; // a reported hit lies within this distance of its triangle
    float ahead; // bounds what lies ahead of the cell along the sun (boundWhatLiesAhead)
};

// Height bounds of a square of cells (see measureWindows).
struct ShadowTracer::WindowBounds {
    float bottom, top;
};

// One cell of a walk pattern, relative to where the pattern is placed.
struct ShadowTracer::Step {
    int column, row;             // cell offset from the start
    int cornerColumn, cornerRow; // every later step lies ahead of this cell offset
    double t0, t1;               // the line's parameters over the widened cell
    bool nearStart;              // a corner of the cell may be at the start point
    uint8_t faces;               // bit k set: the ray may cross face k of the cell
    uint8_t touching;            // bit k set: face k has a corner at the start vertex's place
    // For each window size: this step and the ones up to (not including)
    // step `end` lie in the window whose first cell is at offset (column,
    // row); over all of them the line's parameters end by t1.
    struct Skip {
        int column, row, end;
        double t1;
    } skip[shadowtrace::windowLevels];
};

// A walk pattern placed at a point: at its grid vertex (column, row), or at
// the cell (column, row) that holds it.
struct ShadowTracer::Walk {
    const std::vector<Step>* steps;
    int column, row;
    bool fromVertex;
    int sector; // the vertex's own sector
};

// A face of the grid that blocked some point's line: face k of cell
// (column, row).
struct ShadowTracer::Witness {
    bool found = false;
    int column = 0, row = 0, k = 0;
};

struct ShadowTracer::Scratch {
    std::vector<int> crossed;      // face indices of one sector whose outline the ray crosses
    std::vector<int> settled;      // sectors already decided for the point at hand
    std::vector<uint8_t> shadowed; // the answers for the sector being traced
    Witness witness;               // what blocked the point last found shadowed by a walk
    std::vector<Witness> above;    // per vertex column: what blocked the vertex a row up
};

struct ShadowTracer::LineQuery {
    Vector3 point;               // the traced point
    Vector3 direction;           // towards the sun
    Vector2 a, b;                // the ground ray exactly as the face tests see it
    shadowtrace::Axis x, z;      // the line's ground track: point + t * direction
    double y0 = 0, ly = 0;       // the line's height at t = 0 and its rise per unit of t
    bool crossesNothing = false; // a ray of length zero crosses no outline
    bool cellSearch = false;     // false: trace face by face

    double heightAt(double t) const { return ly == 0.0 ? y0 : y0 + ly * t; }
};
