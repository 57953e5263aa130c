// The shadow tracer's walks: the pattern of cells near the sun line from a
// grid vertex (or from any point of a cell), in the order the line reaches
// them, and the walk of that pattern from one point, which passes whole
// windows of cells the line stays above or below and stops once the line is
// past everything ahead. Points that are not searched by cells are traced
// face by face, exactly as the answer is defined.

#include "lighting/ShadowTracerRecords.h"

#include "landscape/Landscape.h"
#include "landscape/Sector.h"

#include <cmath>

namespace {

// True when the part [t0, t1] of the line stays above top or below bottom.
template <typename Query>
bool missesHeights(const Query& q, double t0, double t1, float bottom, float top) {
    double h0 = q.heightAt(t0), h1 = q.heightAt(t1);
    if (h0 > h1)
        std::swap(h0, h1);
    return h0 > top || h1 < bottom;
}

} // namespace

using namespace shadowtrace;

// The cells whose box, on the even grid with a vertex at the origin and
// widened by widenX and widenZ, the line's ground track t * (sun.x, sun.z)
// passes over for some t in [0, rayReach], ordered by where the track
// reaches them. Each keeps the whole part of the line over its widened box.
void ShadowTracer::buildSteps(std::vector<Step>& steps, double widenX, double widenZ,
                              bool fromVertex) const {
    steps.clear();
    const double lx = sun_.x, lz = sun_.z;
    if (lx == 0.0 && lz == 0.0)
        return; // a ray of length zero crosses nothing
    Axis x, z;
    x.dir = lx;
    x.inverse = sunInverse_[0];
    z.dir = lz;
    z.inverse = sunInverse_[1];
    const double sx = cellSize_[0], sz = cellSize_[1];
    // Every offset that can take a start vertex or cell to a cell of the map.
    const int columnLimit = cellsAcross_ + 1, rowLimit = cellsDown_ + 1;
    auto clampOffset = [](double v, int limit) {
        return int(std::max(-double(limit), std::min(double(limit), v)));
    };
    const double xEnd = rayReach * lx;
    const int firstColumn =
        clampOffset(std::floor((std::min(0.0, xEnd) - widenX) / sx) - 1, columnLimit);
    const int lastColumn =
        clampOffset(std::ceil((std::max(0.0, xEnd) + widenX) / sx) + 1, columnLimit);
    const double cornerReach = 0.002 + 2.0 * gridSlack_; // beyond nearlyEquals' 0.001
    // How far a step's corner cell lies behind it. Any value beyond twice the
    // grid reaches past the map's edge from every cell, where the corner is
    // clamped anyway; capping it in floating point keeps a map of tiny
    // spacing from overflowing the conversion.
    auto behind = [](double widen, double size, int limit) {
        return 1 + int(std::min(std::floor(2.0 * widen / size), 2.0 * limit + 2.0));
    };
    const int behindX = behind(widenX, sx, columnLimit);
    const int behindZ = behind(widenZ, sz, rowLimit);
    // From a vertex, a face whose corners all lie farther than this to one
    // side of the track, or behind its start, cannot have its outline
    // crossed: a reported crossing lies within nearDistance_ of the ray, the
    // ray within deviationCap_ of the track, and the real corners within
    // twice the slack of their even places.
    const double apart = (nearDistance_ + deviationCap_ + 2.0 * gridSlack_) * (1.0 + 1e-6);
    const double ground = std::sqrt(lx * lx + lz * lz);
    auto mayCross = [&](const double(&corners)[3][2]) {
        bool left = true, right = true, behind = true;
        for (const auto& g : corners) {
            const double side = (lx * g[1] - lz * g[0]) / ground;
            const double along = (lx * g[0] + lz * g[1]) / ground;
            left = left && side > apart;
            right = right && side < -apart;
            behind = behind && along < -apart;
        }
        return !left && !right && !behind;
    };
    for (int column = firstColumn; column <= lastColumn; ++column) {
        double tx0 = -infinity, tx1 = infinity;
        if (!clipSlab(x, column * sx - widenX, (column + 1) * sx + widenX, tx0, tx1))
            continue;
        const double u0 = std::max(tx0, 0.0), u1 = std::min(tx1, double(rayReach));
        if (u0 > u1)
            continue;
        const double za = z.at(u0), zb = z.at(u1);
        const int firstRow =
            clampOffset(std::floor((std::min(za, zb) - widenZ) / sz) - 1, rowLimit);
        const int lastRow = clampOffset(std::ceil((std::max(za, zb) + widenZ) / sz) + 1, rowLimit);
        for (int row = firstRow; row <= lastRow; ++row) {
            double t0 = tx0, t1 = tx1;
            if (!clipSlab(z, row * sz - widenZ, (row + 1) * sz + widenZ, t0, t1))
                continue;
            if (t1 < 0.0 || t0 > rayReach)
                continue;
            Step step;
            step.column = column;
            step.row = row;
            step.cornerColumn = column - (lx > 0.0 ? behindX : lx < 0.0 ? -behindX : 0);
            step.cornerRow = row - (lz > 0.0 ? behindZ : lz < 0.0 ? -behindZ : 0);
            step.t0 = t0;
            step.t1 = t1;
            step.nearStart = column * sx - cornerReach <= 0.0 &&
                             (column + 1) * sx + cornerReach >= 0.0 &&
                             row * sz - cornerReach <= 0.0 && (row + 1) * sz + cornerReach >= 0.0;
            step.faces = 3;
            step.touching = 0;
            if (fromVertex) {
                // Face 0 has corners at cell offsets (0, 0), (1, 0), (0, 1);
                // face 1 at (1, 1), (1, 0), (0, 1).
                const bool side = (column == -1 && row == 0) || (column == 0 && row == -1);
                if (side || (column == 0 && row == 0))
                    step.touching |= 1;
                if (side || (column == -1 && row == -1))
                    step.touching |= 2;
                const double x0 = column * sx, x1 = (column + 1) * sx;
                const double z0 = row * sz, z1 = (row + 1) * sz;
                const double first[3][2] = {{x0, z0}, {x1, z0}, {x0, z1}};
                const double second[3][2] = {{x1, z1}, {x1, z0}, {x0, z1}};
                step.faces = uint8_t((mayCross(first) ? 1 : 0) | (mayCross(second) ? 2 : 0));
                if (step.faces == 0)
                    continue;
            }
            steps.push_back(step);
        }
    }
    std::sort(steps.begin(), steps.end(), [](const Step& p, const Step& q) {
        return p.t0 < q.t0 ||
               (p.t0 == q.t0 && (p.row < q.row || (p.row == q.row && p.column < q.column)));
    });
    // The runs of steps that each window holds. A window starts one cell
    // behind the step (the widened track may step back that far) and reaches
    // ahead in the direction of travel.
    for (int level = 0; level < windowLevels; ++level) {
        const int size = windowSizes[level];
        for (size_t e = 0; e < steps.size(); ++e) {
            Step::Skip& skip = steps[e].skip[level];
            skip.column = lx >= 0.0 ? steps[e].column - 1 : steps[e].column - size + 2;
            skip.row = lz >= 0.0 ? steps[e].row - 1 : steps[e].row - size + 2;
            size_t end = e;
            double last = -infinity;
            while (end < steps.size() && steps[end].column >= skip.column &&
                   steps[end].column < skip.column + size && steps[end].row >= skip.row &&
                   steps[end].row < skip.row + size) {
                last = std::max(last, steps[end].t1);
                ++end;
            }
            skip.end = int(end);
            skip.t1 = last;
        }
    }
}

// --- Search ------------------------------------------------------------------

ShadowTracer::LineQuery ShadowTracer::makeQuery(Vector3 point) const {
    LineQuery q;
    q.point = point;
    q.direction = sun_;
    q.a = Vector2(point.x, point.z);
    Vector2 ground(sun_.x, sun_.z);
    ground.scale(rayReach);
    q.b = q.a;
    q.b.add(ground);
    q.crossesNothing = q.a.x == q.b.x && q.a.y == q.b.y;
    q.x.origin = point.x;
    q.x.dir = sun_.x;
    q.x.inverse = sunInverse_[0];
    q.z.origin = point.z;
    q.z.dir = sun_.z;
    q.z.inverse = sunInverse_[1];
    q.y0 = point.y;
    q.ly = sun_.y;
    const double deviation = std::fabs(double(q.b.x) - q.a.x - double(rayReach) * sun_.x) +
                             std::fabs(double(q.b.y) - q.a.y - double(rayReach) * sun_.z);
    q.cellSearch = cellSearch_ && point.x >= queryMin_[0] && point.x <= queryMax_[0] &&
                   point.y >= queryMin_[1] && point.y <= queryMax_[1] && point.z >= queryMin_[2] &&
                   point.z <= queryMax_[2] && deviation <= deviationCap_;
    return q;
}

bool ShadowTracer::isShadowed(Vector3 point) {
    if (cellSearch_ && !pointStepsBuilt_) {
        // A point lies at most a cell (and the slack) away from its cell's
        // first vertex.
        const double w = walkWidth_ + 2.0 * gridSlack_;
        buildSteps(pointSteps_, w + 2.0 * cellSize_[0], w + 2.0 * cellSize_[1], false);
        pointStepsBuilt_ = true;
    }
    const LineQuery q = makeQuery(point);
    Walk walk{&pointSteps_, 0, 0, false, -1};
    if (q.cellSearch) {
        // The cell that holds the point, when it lies over the grid at all.
        const double coordinates[2] = {point.x, point.z};
        const int counts[2] = {cellsAcross_, cellsDown_};
        int cell[2];
        for (int axis = 0; axis < 2; ++axis) {
            if (!(coordinates[axis] >= vertexLo_[axis].front() &&
                  coordinates[axis] <= vertexHi_[axis].back()))
                return bruteForceShadowed(q);
            const double k = std::floor((coordinates[axis] - gridOrigin_[axis]) / cellSize_[axis]);
            cell[axis] = int(std::max(0.0, std::min(double(counts[axis] - 1), k)));
        }
        walk.column = cell[0];
        walk.row = cell[1];
    }
    return shadowedAt(q, *scratch_[0], walk);
}

bool ShadowTracer::shadowedAt(const LineQuery& q, Scratch& scratch, const Walk& walk) const {
    // With both ends of the ray equal, every crossing test divides by zero
    // and fails.
    if (q.crossesNothing)
        return false;
    if (!q.cellSearch)
        return bruteForceShadowed(q);
    scratch.settled.clear();
    return walk.fromVertex ? vertexWalkBlocked(q, scratch, walk)
                           : pointWalkBlocked(q, scratch, walk);
}

// Every sector in storage order, every face in index order.
bool ShadowTracer::bruteForceShadowed(const LineQuery& q) const {
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        if (!reachedBy(sector, q.a, q.b, q.point))
            continue;
        int faceCount = int(std::min(size_t(std::max(sector.faceCount, 0)), sector.facesHeld()));
        int crossed = 0;
        for (int f = 0; f < faceCount && crossed < candidateCapacity; ++f) {
            if (!crossesOutline(sector, f, q.a, q.b))
                continue;
            ++crossed;
            if (faceBlocks(sector, f, q.point, q.direction))
                return true;
        }
    }
    return false;
}

// When the line, from this step's start to the end of the run of steps in one
// of the step's windows, stays above or below everything in that window, the
// index of the first step after the run; else 0.
size_t ShadowTracer::passableRun(const LineQuery& q, const Walk& walk, const Step& step, int level,
                                 double height) const {
    const Step::Skip& skip = step.skip[level];
    const int column = walk.column + skip.column, row = walk.row + skip.row;
    if (unsigned(column) >= unsigned(cellsAcross_) || unsigned(row) >= unsigned(cellsDown_))
        return 0;
    const WindowBounds& b = windows_[level][size_t(row) * cellsAcross_ + column];
    const double later = q.heightAt(skip.t1);
    if (std::min(height, later) > b.top || std::max(height, later) < b.bottom)
        return size_t(skip.end);
    return 0;
}

// The vertex's own pattern: steps in the order the line reaches them, with the
// line's parameters already known. The walk ends when the line leaves the
// grid, or when it is past everything ahead: a later step's cell lies ahead of
// this step's corner cell (the line's ground track never moves back by more
// than the widening), and is at least as many cell sides away from this step's
// point as it is steps from the corner, less a few; there the line has risen
// by at least `rise` for every such side. So when the line here is higher than
// the corner cell's bound plus terminationMargin_, no later cell can be hit.
// Windows are tried now and then, not at every step: right after one fails,
// the next one overlaps it nearly whole.
bool ShadowTracer::vertexWalkBlocked(const LineQuery& q, Scratch& scratch, const Walk& walk) const {
    const int across = cellsAcross_, down = cellsDown_;
    // A step's widened cell (on the even grid, placed at the vertex's even
    // place) lies within twice the slack more of the real cell, and so of the
    // grid's real extent.
    const double reach = walkWidth_ + 4.0 * gridSlack_;
    double leave = rayReach; // the track leaves the grid, widened, at this t
    {
        double t0 = -infinity, t1 = infinity;
        if (!clipSlab(q.x, vertexLo_[0].front() - reach, vertexHi_[0].back() + reach, t0, t1) ||
            !clipSlab(q.z, vertexLo_[1].front() - reach, vertexHi_[1].back() + reach, t0, t1))
            return false;
        leave = std::min(leave, t1);
    }
    const bool upward = q.ly >= 0.0;
    const std::vector<Step>& steps = *walk.steps;
    size_t nextLargeTry = 0, nextSmallTry = 0;
    for (size_t e = 0; e < steps.size();) {
        const Step& step = steps[e];
        if (step.t0 > leave)
            return false;
        const double height = q.heightAt(step.t0);
        if (e >= nextLargeTry) {
            const int cornerColumn =
                std::max(0, std::min(across - 1, walk.column + step.cornerColumn));
            const int cornerRow = std::max(0, std::min(down - 1, walk.row + step.cornerRow));
            const float ahead = cells_[size_t(cornerRow) * across + cornerColumn].ahead;
            if (upward ? height > ahead + terminationMargin_ : height < ahead - terminationMargin_)
                return false;
            const size_t next = passableRun(q, walk, step, 0, height);
            if (next > e) {
                e = next;
                continue;
            }
            nextLargeTry = e + 8;
        }
        if (e >= nextSmallTry) {
            const size_t next = passableRun(q, walk, step, 1, height);
            if (next > e) {
                e = next;
                continue;
            }
            nextSmallTry = e + 2;
        }
        ++e;
        const int column = walk.column + step.column, row = walk.row + step.row;
        if (unsigned(column) >= unsigned(across) || unsigned(row) >= unsigned(down))
            continue;
        // Faces with a corner at the vertex's own place, in its own sector:
        // that corner is the vertex itself, so they are left out.
        int faces = step.faces;
        if (step.touching != 0 && cornersApart_ && sectorOf(column, row) == walk.sector) {
            faces &= ~step.touching;
            if (faces == 0)
                continue;
        }
        const CellBounds& cell = cells_[size_t(row) * across + column];
        const double later = q.heightAt(step.t1);
        if (std::min(height, later) > cell.top || std::max(height, later) < cell.bottom)
            continue;
        if (cellBlocks(q, scratch, walk, column, row, step.t0, step.t1, step.nearStart, faces))
            return true;
    }
    return false;
}

// Any point over the grid: the wider pattern of its cell, with the line's
// parameters worked out on the real cells. The walk ends once the line is
// past every height of the map.
bool ShadowTracer::pointWalkBlocked(const LineQuery& q, Scratch& scratch, const Walk& walk) const {
    const double w = walkWidth_;
    const double cornerReach = 0.002; // beyond nearlyEquals' 0.001 per component
    for (const Step& step : *walk.steps) {
        const double height = q.heightAt(step.t0);
        if ((q.ly > 0.0 && height > mapTop_) || (q.ly < 0.0 && height < mapBottom_))
            return false;
        const int column = walk.column + step.column, row = walk.row + step.row;
        if (unsigned(column) >= unsigned(cellsAcross_) || unsigned(row) >= unsigned(cellsDown_))
            continue;
        const double x0 = cellLo_[0][column], x1 = cellHi_[0][column];
        const double z0 = cellLo_[1][row], z1 = cellHi_[1][row];
        double t0 = -infinity, t1 = infinity;
        if (!clipSlab(q.x, x0 - w, x1 + w, t0, t1) || !clipSlab(q.z, z0 - w, z1 + w, t0, t1))
            continue;
        if (t1 < 0.0 || t0 > rayReach)
            continue;
        const CellBounds& cell = cells_[size_t(row) * cellsAcross_ + column];
        if (missesHeights(q, t0, t1, cell.bottom, cell.top))
            continue;
        const bool nearPoint = q.x.origin >= x0 - cornerReach && q.x.origin <= x1 + cornerReach &&
                               q.z.origin >= z0 - cornerReach && q.z.origin <= z1 + cornerReach;
        if (cellBlocks(q, scratch, walk, column, row, t0, t1, nearPoint, 3))
            return true;
    }
    return false;
}
