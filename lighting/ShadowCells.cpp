// The shadow tracer's decision on one cell: each of its two faces is tested
// exactly once the line comes near its plane, faces with a corner at the
// traced point left out; sectors where the limit on crossed faces may bite
// collect and sort their crossed faces the exact way. The face that blocked a
// neighbouring vertex is tried first as a guess, and decided the same way.

#include "lighting/ShadowTracerRecords.h"

#include "landscape/Landscape.h"
#include "landscape/Sector.h"

namespace {

// triangle p0 p1 p2 over the whole part [t0, t1]: then it keeps that far from
// the triangle too. With n the (unscaled) normal, the line's distance from
// the plane is |n . (X(t) - p0)| / |n|, linear in t inside the absolute
// value; it is compared squared, against reach^2 |n|^2.
template <typename Query>
bool mayMeetPlane(const Query& q, const Vector3& p0, const Vector3& p1, const Vector3& p2,
                  double reach, double t0, double t1) {
    const double e1[3] = {double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z};
    const double e2[3] = {double(p2.x) - p0.x, double(p2.y) - p0.y, double(p2.z) - p0.z};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                         e1[0] * e2[1] - e1[1] * e2[0]};
    const double start =
        n[0] * (q.x.origin - p0.x) + n[1] * (q.y0 - p0.y) + n[2] * (q.z.origin - p0.z);
    const double along = n[0] * q.x.dir + n[1] * q.ly + n[2] * q.z.dir;
    const double d0 = start + along * t0, d1 = start + along * t1;
    const double limit = reach * reach * (n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return !(d0 * d1 > 0.0 && d0 * d0 > limit && d1 * d1 > limit);
}

} // namespace

using namespace shadowtrace;

// The corners of face k of cell (column, row) of the map's grid, in the
// face's own order: (here, right, below) or (diagonal, right, below).
void ShadowTracer::cornersOf(int column, int row, int k, const Vector3* (&corner)[3]) const {
    const Sector& sector = landscape_.sectors[sectorOf(column, row)];
    const int columns = sector.columns;
    const Vector3* here =
        &sector.positions[size_t(cellLocal_[1][row]) * columns + cellLocal_[0][column]];
    corner[0] = k == 0 ? here : here + columns + 1;
    corner[1] = here + 1;
    corner[2] = here + columns;
}

// The stored basis inverse of face k of cell (column, row): the packed copy,
// or the face's own.
const Matrix3& ShadowTracer::inverseOf(int column, int row, int k) const {
    if (copiedInverses_)
        return inverses_[2 * (size_t(row) * cellsAcross_ + column) + size_t(k)];
    const Sector& sector = landscape_.sectors[sectorOf(column, row)];
    const int face = 2 * (cellLocal_[1][row] * (sector.columns - 1) + cellLocal_[0][column]) + k;
    return sector.basisInverses[size_t(face)];
}

// The face of the grid under the point where the line meets the plane of
// face k of cell (column, row); false when that point is not over the grid.
// Only a guess: the answer is always decided by the exact tests.
bool ShadowTracer::faceAlongLine(const LineQuery& q, int& column, int& row, int& k) const {
    const Vector3* corner[3];
    cornersOf(column, row, k, corner);
    const Vector3& p0 = *corner[0];
    const double e1[3] = {double(corner[1]->x) - p0.x, double(corner[1]->y) - p0.y,
                          double(corner[1]->z) - p0.z};
    const double e2[3] = {double(corner[2]->x) - p0.x, double(corner[2]->y) - p0.y,
                          double(corner[2]->z) - p0.z};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                         e1[0] * e2[1] - e1[1] * e2[0]};
    const double along = n[0] * q.x.dir + n[1] * q.ly + n[2] * q.z.dir;
    const double t =
        -(n[0] * (q.x.origin - p0.x) + n[1] * (q.y0 - p0.y) + n[2] * (q.z.origin - p0.z)) / along;
    const double u = (q.x.at(t) - gridOrigin_[0]) * cellsPerUnit_[0];
    const double v = (q.z.at(t) - gridOrigin_[1]) * cellsPerUnit_[1];
    if (!(u >= 0.0 && u < cellsAcross_ && v >= 0.0 && v < cellsDown_))
        return false;
    const int newColumn = int(u), newRow = int(v);
    k = u - newColumn + (v - newRow) < 1.0 ? 0 : 1;
    column = newColumn;
    row = newRow;
    return true;
}

// A shadowed neighbour's blocking face tells where this point's line is
// likely to meet the ground too: where it pierces that face's plane, and
// failing that, the plane of the face found there. Each guess is tested
// exactly, as any face is; a face that blocks is as good as any other. On
// success `guess` becomes the face that blocks.
bool ShadowTracer::guessedWitnessBlocks(const LineQuery& q, Witness& guess) const {
    int column = guess.column, row = guess.row, k = guess.k;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!faceAlongLine(q, column, row, k))
            return false;
        const int sectorIndex = sectorOf(column, row);
        if (capped_[size_t(sectorIndex)])
            return false;
        const Vector3* corner[3];
        cornersOf(column, row, k, corner);
        const double cornerReach = 0.002; // beyond nearlyEquals' 0.001 per component
        const bool nearPoint = q.x.origin >= cellLo_[0][column] - cornerReach &&
                               q.x.origin <= cellHi_[0][column] + cornerReach &&
                               q.z.origin >= cellLo_[1][row] - cornerReach &&
                               q.z.origin <= cellHi_[1][row] + cornerReach;
        if (nearPoint && (q.point.nearlyEquals(*corner[0]) || q.point.nearlyEquals(*corner[1]) ||
                          q.point.nearlyEquals(*corner[2])))
            continue;
        if (lineHitsTriangle(inverseOf(column, row, k), q.point.minus(*corner[0]), q.direction) &&
            outlineCrossed(*corner[0], *corner[1], *corner[2], q.a, q.b) &&
            reachedBy(landscape_.sectors[sectorIndex], q.a, q.b, q.point)) {
            guess = Witness{true, column, row, k};
            return true;
        }
    }
    return false;
}

// The two faces of a cell, each decided exactly once the line comes near its
// plane; faces with a corner at the point are left out first. [t0, t1] is the
// part of the line over the cell widened by the walk width; a cell whose hits
// may stray farther is looked at over a longer part. A hit counts only when
// the ray reaches the sector's rectangle; when it does not, no face of that
// sector counts.
bool ShadowTracer::cellBlocks(const LineQuery& q, Scratch& scratch, const Walk& walk, int column,
                              int row, double t0, double t1, bool nearPoint, int faces) const {
    const int sectorIndex = sectorOf(column, row);
    if (!scratch.settled.empty() && std::find(scratch.settled.begin(), scratch.settled.end(),
                                              sectorIndex) != scratch.settled.end())
        return false;
    if (capped_[size_t(sectorIndex)])
        return cappedSectorBlocks(sectorIndex, q, scratch, walk);
    const Sector& sector = landscape_.sectors[sectorIndex];
    const int columns = sector.columns;
    const Vector3* here =
        &sector.positions[size_t(cellLocal_[1][row]) * columns + cellLocal_[0][column]];
    const Vector3& right = here[1];
    const Vector3& below = here[columns];
    const Vector3& diagonal = here[columns + 1];
    const size_t cell = size_t(row) * cellsAcross_ + column;
    const double reach = cells_[cell].reach;
    const bool nearPlane = reach < INFINITY;
    if (nearPlane) {
        const double extra = extraLength(reach);
        t0 -= extra;
        t1 += extra;
    }
    // Room for the rounding of mayMeetPlane's own sums.
    const double planeReach = reach * (1.0 + 1e-9) + 1e-12 * span_;
    // From a grid vertex, only the corner at that vertex's own place on the
    // grid can be within nearlyEquals' 0.001 of it: every other vertex is a
    // cell side (less twice the slack) away along x or z.
    const bool fromVertex = nearPoint && walk.fromVertex && cornersApart_;
    const int startColumn = walk.column - column, startRow = walk.row - row; // 0 or 1 when near
    for (int k = 0; k < 2; ++k) {
        if (!(faces & (1 << k)))
            continue;
        const Vector3& p0 = k == 0 ? *here : diagonal;
        if (fromVertex) {
            // Face 0 has corners at (0, 0), (1, 0), (0, 1); face 1 at (1, 1), (1, 0), (0, 1).
            const Vector3* corner = nullptr;
            if (startColumn + startRow == 1)
                corner = startColumn == 1 ? &right : &below;
            else if (startColumn == k && startRow == k)
                corner = &p0;
            if (corner != nullptr && q.point.nearlyEquals(*corner))
                continue;
        } else if (nearPoint && (q.point.nearlyEquals(p0) || q.point.nearlyEquals(right) ||
                                 q.point.nearlyEquals(below))) {
            continue;
        }
        if (nearPlane && !mayMeetPlane(q, p0, right, below, planeReach, t0, t1))
            continue;
        if (lineHitsTriangle(inverseOf(column, row, k), q.point.minus(p0), q.direction) &&
            outlineCrossed(p0, right, below, q.a, q.b)) {
            if (reachedBy(sector, q.a, q.b, q.point)) {
                scratch.witness = Witness{true, column, row, k};
                return true;
            }
            scratch.settled.push_back(sectorIndex);
            return false;
        }
    }
    return false;
}

// A sector where the limit on crossed faces may bite: its crossed faces are
// collected from every cell of the walk pattern, sorted by index, and the
// first 1024 tested in full.
bool ShadowTracer::cappedSectorBlocks(int sectorIndex, const LineQuery& q, Scratch& scratch,
                                      const Walk& walk) const {
    scratch.settled.push_back(sectorIndex); // decided here, whatever the answer
    const Sector& sector = landscape_.sectors[sectorIndex];
    const int i = sectorIndex % landscape_.sectorsAcross;
    const int j = sectorIndex / landscape_.sectorsAcross;
    const int x0 = firstCell_[0][i], z0 = firstCell_[1][j];
    const int cellColumns = sector.columns - 1, cellRows = sector.rows - 1;
    scratch.crossed.clear();
    for (const Step& step : *walk.steps) {
        const int column = walk.column + step.column - x0, row = walk.row + step.row - z0;
        if (column < 0 || column >= cellColumns || row < 0 || row >= cellRows)
            continue;
        const int f = 2 * (row * cellColumns + column);
        for (int face = f; face <= f + 1; ++face)
            if (crossesOutline(sector, face, q.a, q.b))
                scratch.crossed.push_back(face);
    }
    std::sort(scratch.crossed.begin(), scratch.crossed.end());
    const size_t considered = std::min(scratch.crossed.size(), size_t(candidateCapacity));
    for (size_t n = 0; n < considered; ++n)
        if (faceBlocks(sector, scratch.crossed[n], q.point, q.direction))
            return reachedBy(sector, q.a, q.b, q.point);
    return false;
}
