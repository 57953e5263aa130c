#include "lighting/ShadowTracer.h"

#include "geometry/Intersection.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double infinity = std::numeric_limits<double>::infinity();

// A cell whose faces are steeper or worse conditioned than this is never left
// out by height: the rounding of its line test is too hard to bound.
const double worstPrunableFactor = 1e5;

// How far apart (relative to the numbers involved) the exact tests may place a
// crossing or a hit from where it truly is. The tests are in 32-bit floats
// (about 6e-8 relative); these bounds leave a wide safety factor.
const double relativeSlack = 2e-5;

// Clips the parameter interval [t0, t1] of origin + t * dir to lo <= x <= hi.
// False when nothing is left.
bool clipSlab(double origin, double dir, double lo, double hi, double& t0, double& t1) {
    if (dir == 0.0)
        return origin >= lo && origin <= hi;
    double u0 = (lo - origin) / dir;
    double u1 = (hi - origin) / dir;
    if (u0 > u1)
        std::swap(u0, u1);
    t0 = std::max(t0, u0);
    t1 = std::min(t1, u1);
    return t0 <= t1;
}

// The range [first, last] of intervals k = [lo[k], hi[k]] (both arrays
// non-decreasing) that overlap [qlo, qhi]; empty when first > last.
void overlapping(const double* lo, const double* hi, int n, double qlo, double qhi, int& first,
                 int& last) {
    first = int(std::lower_bound(hi, hi + n, qlo) - hi);
    last = int(std::upper_bound(lo, lo + n, qhi) - lo) - 1;
}

double frobenius(const double m[9]) {
    double sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += m[i] * m[i];
    return std::sqrt(sum);
}

} // namespace

struct ShadowTracer::CellGrid {
    int cellColumns = 0;                           // columns - 1; 0 = no cells
    int cellRows = 0;                              // rows - 1
    std::vector<double> columnMin, columnMax;      // x range of each vertex column (all rows)
    std::vector<double> rowMin, rowMax;            // z range of each vertex row (all columns)
    double minX = 0, maxX = 0, minZ = 0, maxZ = 0; // bounds of the positions
    std::vector<float> cellTop;                    // no line above this can hit the cell's faces
    std::vector<float> cellBottom;                 // nor any line below this
    std::vector<float> cellReach;                  // nor any line farther than this beside the cell
    double top = -infinity, bottom = infinity, reach = 0; // the same for the whole sector
};

struct ShadowTracer::Scratch {
    std::vector<int> crossed; // face indices of one sector whose outline the ray crosses
};

struct ShadowTracer::LineQuery {
    Vector3 point;                         // the traced point
    Vector3 direction;                     // towards the sun
    Vector2 a, b;                          // the ground ray exactly as the face tests see it
    double ax = 0, az = 0, dx = 0, dz = 0; // the same ray: a + u * d, u in [0, 1]
    double lx = 0, ly = 0, lz = 0;         // the line: point + t * direction
    double y0 = 0;                         // height of the point
};

namespace {

// True when the line point + t * direction never comes within reach of the box
// [x0, x1] x [bottom, top] x [z0, z1]: no face inside the box can be hit.
template <typename Query>
bool lineMissesBox(const Query& q, double x0, double x1, double z0, double z1, double reach,
                   double bottom, double top) {
    double t0 = -infinity, t1 = infinity;
    if (!clipSlab(q.ax, q.lx, x0 - reach, x1 + reach, t0, t1))
        return true;
    if (!clipSlab(q.az, q.lz, z0 - reach, z1 + reach, t0, t1))
        return true;
    double h0 = q.y0, h1 = q.y0;
    if (q.ly != 0.0) {
        h0 = q.y0 + q.ly * t0;
        h1 = q.y0 + q.ly * t1;
        if (h0 > h1)
            std::swap(h0, h1);
    }
    return h0 > top || h1 < bottom;
}

// True when every box that starts at or past parameter `entry` along the line
// lies entirely beyond [bottom, top]: the line has risen above (or sunk below)
// everything that is left.
template <typename Query>
bool pastEverything(const Query& q, double entry, double bottom, double top) {
    if (q.ly > 0.0)
        return q.y0 + q.ly * entry > top;
    if (q.ly < 0.0)
        return q.y0 + q.ly * entry < bottom;
    return false;
}

// Where the line enters interval k of an axis, for intervals visited in the
// line's direction; -infinity when the line does not move along the axis.
double entryOf(double origin, double dir, double lo, double hi, double reach) {
    if (dir > 0.0)
        return (lo - reach - origin) / dir;
    if (dir < 0.0)
        return (hi + reach - origin) / dir;
    return -infinity;
}

// Visits every box (column k, row m) of a grid of intervals whose box, widened
// by `near`, the ground ray a + u * d (u in [0, 1]) passes through, in the
// order the line travels. Columns are [colLo[k], colHi[k]] for k < columns,
// rows [rowLo[m], rowHi[m]]; all four arrays are non-decreasing. Before each
// column and row the remaining boxes are dropped when the line is past
// [bottom, top] there (boxes widened by `reach` for that test). visit(k, m)
// returns true to end the walk; the result is then true.
template <typename Query, typename Visit>
bool walkBoxes(const Query& q, double near, const double* colLo, const double* colHi, int columns,
               const double* rowLo, const double* rowHi, int rows, double reach, double bottom,
               double top, Visit&& visit) {
    if (columns <= 0 || rows <= 0)
        return false;
    double xa = q.ax, xb = q.ax + q.dx;
    int first, last;
    overlapping(colLo, colHi, columns, std::min(xa, xb) - near, std::max(xa, xb) + near, first,
                last);
    if (first > last)
        return false;
    bool forwardX = q.lx >= 0.0;
    bool forwardZ = q.lz >= 0.0;
    for (int step = 0; step <= last - first; ++step) {
        int k = forwardX ? first + step : last - step;
        double entryX = entryOf(q.ax, q.lx, colLo[k], colHi[k], reach);
        if (pastEverything(q, entryX, bottom, top))
            return false;
        double u0 = 0.0, u1 = 1.0;
        if (!clipSlab(q.ax, q.dx, colLo[k] - near, colHi[k] + near, u0, u1))
            continue;
        double za = q.az + u0 * q.dz, zb = q.az + u1 * q.dz;
        int rowFirst, rowLast;
        overlapping(rowLo, rowHi, rows, std::min(za, zb) - near, std::max(za, zb) + near, rowFirst,
                    rowLast);
        for (int rowStep = 0; rowStep <= rowLast - rowFirst; ++rowStep) {
            int m = forwardZ ? rowFirst + rowStep : rowLast - rowStep;
            double entryZ = entryOf(q.az, q.lz, rowLo[m], rowHi[m], reach);
            if (pastEverything(q, std::max(entryX, entryZ), bottom, top))
                break;
            if (visit(k, m))
                return true;
        }
    }
    return false;
}

} // namespace

// --- The exact tests ---------------------------------------------------------

bool ShadowTracer::reachedBy(const Sector& sector, Vector2 a, Vector2 b, Vector3 point) {
    if (point.x >= sector.minX && point.x <= sector.maxX && point.z >= sector.minZ &&
        point.z <= sector.maxZ)
        return true;
    Vector2 corners[4] = {Vector2(sector.minX, sector.minZ), Vector2(sector.maxX, sector.minZ),
                          Vector2(sector.maxX, sector.maxZ), Vector2(sector.minX, sector.maxZ)};
    for (int e = 0; e < 4; ++e)
        if (segmentIntersection2D(a, b, corners[e], corners[(e + 1) % 4]) >= 0.0f)
            return true;
    return false;
}

bool ShadowTracer::crossesOutline(const Sector& sector, int face, Vector2 a, Vector2 b) {
    const SectorFace& f = sector.faces[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false; // a face with a corner that does not exist has no outline
    const Vector3& p0 = sector.positions[f.vertex[0]];
    const Vector3& p1 = sector.positions[f.vertex[1]];
    const Vector3& p2 = sector.positions[f.vertex[2]];
    Vector2 g0(p0.x, p0.z), g1(p1.x, p1.z), g2(p2.x, p2.z);
    // An edge counts when the ray crosses it strictly between its ends; a line
    // through a triangle crosses two of its edges, so g2->g0 is not needed.
    float s = 0.0f;
    float t = segmentIntersection2D(a, b, g0, g1, &s);
    if (t != -1.0f && s != 0.0f && s != 1.0f)
        return true;
    t = segmentIntersection2D(a, b, g1, g2, &s);
    return t != -1.0f && s != 0.0f && s != 1.0f;
}

bool ShadowTracer::faceBlocks(const Sector& sector, int face, Vector3 point, Vector3 direction) {
    const SectorFace& f = sector.faces[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false;
    const Vector3& p0 = sector.positions[f.vertex[0]];
    // The faces around the point itself would always be hit.
    if (point.nearlyEquals(p0) || point.nearlyEquals(sector.positions[f.vertex[1]]) ||
        point.nearlyEquals(sector.positions[f.vertex[2]]))
        return false;
    return lineHitsTriangle(f.basisInverse, point.minus(p0), direction);
}

// --- Preparation -------------------------------------------------------------

ShadowTracer::ShadowTracer(const Landscape& landscape, Vector3 sunDirection, int threadCount)
    : landscape_(landscape), sun_(sunDirection) {
    sectorCount_ =
        int(std::min(size_t(std::max(landscape.sectorCount, 0)), landscape.sectors.size()));
    build();
    unsigned cores = std::thread::hardware_concurrency();
    int threads = std::max(1, std::min(threadCount, cores >= 2 ? 2 : 1));
    for (int i = 0; i < threads; ++i)
        scratch_.push_back(new Scratch);
    size_t mostFaces = 0;
    for (int s = 0; s < sectorCount_; ++s)
        mostFaces = std::max(mostFaces, landscape_.sectors[s].faces.size());
    if (mostFaces > size_t(candidateCapacity))
        for (Scratch* scratch : scratch_)
            scratch->crossed.reserve(mostFaces);
    if (threads > 1)
        helper_ = std::thread(&ShadowTracer::helperLoop, this);
}

ShadowTracer::~ShadowTracer() {
    if (helper_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quitting_ = true;
        }
        wake_.notify_one();
        helper_.join();
    }
    for (Scratch* scratch : scratch_)
        delete scratch;
}

void ShadowTracer::build() {
    bool finite = std::isfinite(sun_.x) && std::isfinite(sun_.y) && std::isfinite(sun_.z);
    if (finite) {
        // The ray's far end must be finite too, or the ray tests fall apart.
        LineQuery probe = makeQuery(Vector3(0, 0, 0));
        finite = std::isfinite(probe.b.x) && std::isfinite(probe.b.y);
    }
    cellSearch_ = finite && validateGrid();
    if (cellSearch_)
        measureCells();
    else
        grids_.clear();
}

// The cell search relies on the terrain being what newMap, loadBump and the
// edits make: sectors in rows and columns whose ranges never go backwards,
// each a grid of vertex columns and rows whose ranges never go backwards, and
// faces 2k and 2k + 1 lying in cell k. Anything else is traced face by face.
bool ShadowTracer::validateGrid() {
    const int across = landscape_.sectorsAcross, down = landscape_.sectorsDown;
    if (across <= 0 || down <= 0 || int64_t(across) * down != sectorCount_)
        return false;
    grids_.assign(size_t(sectorCount_), CellGrid());
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        CellGrid& grid = grids_[s];
        const int columns = sector.columns, rows = sector.rows;
        if (columns <= 0 || rows <= 0 || sector.vertexCount != columns * rows ||
            sector.positions.size() != size_t(sector.vertexCount))
            return false;
        grid.columnMin.assign(size_t(columns), infinity);
        grid.columnMax.assign(size_t(columns), -infinity);
        grid.rowMin.assign(size_t(rows), infinity);
        grid.rowMax.assign(size_t(rows), -infinity);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const Vector3& p = sector.positions[size_t(r) * columns + c];
                if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                    return false;
                grid.columnMin[c] = std::min(grid.columnMin[c], double(p.x));
                grid.columnMax[c] = std::max(grid.columnMax[c], double(p.x));
                grid.rowMin[r] = std::min(grid.rowMin[r], double(p.z));
                grid.rowMax[r] = std::max(grid.rowMax[r], double(p.z));
            }
        }
        grid.minX = grid.columnMin[0];
        grid.maxX = grid.columnMax[columns - 1];
        grid.minZ = grid.rowMin[0];
        grid.maxZ = grid.rowMax[rows - 1];
        for (int c = 0; c + 1 < columns; ++c)
            if (grid.columnMin[c + 1] < grid.columnMin[c] ||
                grid.columnMax[c + 1] < grid.columnMax[c])
                return false;
        for (int r = 0; r + 1 < rows; ++r)
            if (grid.rowMin[r + 1] < grid.rowMin[r] || grid.rowMax[r + 1] < grid.rowMax[r])
                return false;

        if (sector.faceCount <= 0)
            continue; // a sector without faces is never searched
        if (columns < 2 || rows < 2 ||
            int64_t(sector.faceCount) != 2 * int64_t(columns - 1) * (rows - 1) ||
            sector.faces.size() < size_t(sector.faceCount))
            return false;
        grid.cellColumns = columns - 1;
        grid.cellRows = rows - 1;
        for (int f = 0; f < sector.faceCount; ++f) {
            int cell = f / 2;
            int cc = cell % (columns - 1), cr = cell / (columns - 1);
            for (int k = 0; k < 3; ++k) {
                uint32_t v = sector.faces[f].vertex[k];
                if (v >= uint32_t(sector.vertexCount))
                    return false;
                int vc = int(v % uint32_t(columns)), vr = int(v / uint32_t(columns));
                if (vc < cc || vc > cc + 1 || vr < cr || vr > cr + 1)
                    return false;
            }
        }
    }

    // Sector columns and rows of the whole map.
    columnMin_.assign(size_t(across), infinity);
    columnMax_.assign(size_t(across), -infinity);
    rowMin_.assign(size_t(down), infinity);
    rowMax_.assign(size_t(down), -infinity);
    for (int j = 0; j < down; ++j) {
        for (int i = 0; i < across; ++i) {
            const CellGrid& grid = grids_[size_t(j) * across + i];
            columnMin_[i] = std::min(columnMin_[i], grid.minX);
            columnMax_[i] = std::max(columnMax_[i], grid.maxX);
            rowMin_[j] = std::min(rowMin_[j], grid.minZ);
            rowMax_[j] = std::max(rowMax_[j], grid.maxZ);
        }
    }
    for (int i = 0; i + 1 < across; ++i)
        if (columnMin_[i + 1] < columnMin_[i] || columnMax_[i + 1] < columnMax_[i])
            return false;
    for (int j = 0; j + 1 < down; ++j)
        if (rowMin_[j + 1] < rowMin_[j] || rowMax_[j + 1] < rowMax_[j])
            return false;
    return true;
}

// Height bounds of every cell, widened by how far the rounding of the line
// test could carry a hit. A hit reported for a face means the line came within
// that distance of the face's cell; a line that stays farther away is not
// tested. Faces whose basis inverse does not describe their triangle, or is
// too badly conditioned, are always tested.
void ShadowTracer::measureCells() {
    double coordinateMax = 0;
    for (int s = 0; s < sectorCount_; ++s)
        for (const Vector3& p : landscape_.sectors[s].positions)
            coordinateMax = std::max({coordinateMax, std::fabs(double(p.x)), std::fabs(double(p.y)),
                                      std::fabs(double(p.z))});
    double sunLength =
        std::sqrt(double(sun_.x) * sun_.x + double(sun_.y) * sun_.y + double(sun_.z) * sun_.z);
    double groundLength = std::sqrt(double(sun_.x) * sun_.x + double(sun_.z) * sun_.z);
    nearDistance_ = relativeSlack * (1.0 + 4.0 * coordinateMax + 2.0 * rayReach * groundLength);
    const double scale = 4.0 * coordinateMax + 2.0 * rayReach * sunLength + 1.0;

    globalTop_ = -infinity;
    globalBottom_ = infinity;
    globalReach_ = nearDistance_;
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        CellGrid& grid = grids_[s];
        grid.reach = nearDistance_;
        int cells = grid.cellColumns * grid.cellRows;
        grid.cellTop.assign(size_t(cells), 0.0f);
        grid.cellBottom.assign(size_t(cells), 0.0f);
        grid.cellReach.assign(size_t(cells), 0.0f);
        for (int cell = 0; cell < cells; ++cell) {
            int cc = cell % grid.cellColumns, cr = cell / grid.cellColumns;
            double lowY = infinity, highY = -infinity;
            for (int dr = 0; dr <= 1; ++dr)
                for (int dc = 0; dc <= 1; ++dc) {
                    double y = sector.positions[size_t(cr + dr) * sector.columns + cc + dc].y;
                    lowY = std::min(lowY, y);
                    highY = std::max(highY, y);
                }
            double extent = std::sqrt((grid.columnMax[cc + 1] - grid.columnMin[cc]) *
                                          (grid.columnMax[cc + 1] - grid.columnMin[cc]) +
                                      (grid.rowMax[cr + 1] - grid.rowMin[cr]) *
                                          (grid.rowMax[cr + 1] - grid.rowMin[cr]) +
                                      (highY - lowY) * (highY - lowY));

            double worstFactor = 0;
            bool prunable = true;
            for (int f = 2 * cell; f <= 2 * cell + 1 && prunable; ++f) {
                const SectorFace& face = sector.faces[f];
                const Vector3& p0 = sector.positions[face.vertex[0]];
                const Vector3& p1 = sector.positions[face.vertex[1]];
                const Vector3& p2 = sector.positions[face.vertex[2]];
                double e1[3] = {double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z};
                double e2[3] = {double(p2.x) - p0.x, double(p2.y) - p0.y, double(p2.z) - p0.z};
                double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                               e1[0] * e2[1] - e1[1] * e2[0]};
                double basis[9] = {e1[0], e2[0], n[0], e1[1], e2[1], n[1], e1[2], e2[2], n[2]};
                double inverse[9];
                for (int i = 0; i < 9; ++i)
                    inverse[i] = face.basisInverse.m[i];
                // inverse * basis must be the identity.
                for (int r = 0; r < 3 && prunable; ++r)
                    for (int c = 0; c < 3; ++c) {
                        double sum = inverse[3 * r] * basis[c] + inverse[3 * r + 1] * basis[3 + c] +
                                     inverse[3 * r + 2] * basis[6 + c];
                        double expected = r == c ? 1.0 : 0.0;
                        if (!(std::fabs(sum - expected) <= 1e-4)) {
                            prunable = false;
                            break;
                        }
                    }
                double normalLength = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                double steepness = normalLength / std::fabs(n[1]);
                double factor = 1.0 + steepness + frobenius(inverse) * frobenius(basis);
                if (!(factor <= worstPrunableFactor))
                    prunable = false;
                worstFactor = std::max(worstFactor, factor);
            }
            double top = infinity, bottom = -infinity, reach = infinity;
            if (prunable) {
                double margin = 1e-3 + 1e-3 * extent + relativeSlack * worstFactor * scale;
                reach = std::max(nearDistance_, margin);
                top = highY + reach;
                bottom = lowY - reach;
            }
            grid.cellTop[cell] = float(top);
            grid.cellBottom[cell] = float(bottom);
            grid.cellReach[cell] = float(reach);
            grid.top = std::max(grid.top, double(grid.cellTop[cell]));
            grid.bottom = std::min(grid.bottom, double(grid.cellBottom[cell]));
            grid.reach = std::max(grid.reach, double(grid.cellReach[cell]));
        }
        globalTop_ = std::max(globalTop_, grid.top);
        globalBottom_ = std::min(globalBottom_, grid.bottom);
        globalReach_ = std::max(globalReach_, grid.reach);
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
    q.ax = q.a.x;
    q.az = q.a.y;
    q.dx = double(q.b.x) - q.ax;
    q.dz = double(q.b.y) - q.az;
    q.lx = sun_.x;
    q.ly = sun_.y;
    q.lz = sun_.z;
    q.y0 = point.y;
    return q;
}

bool ShadowTracer::isShadowed(Vector3 point) {
    LineQuery q = makeQuery(point);
    return cellSearch_ ? cellSearchShadowed(q, *scratch_[0]) : bruteForceShadowed(q, *scratch_[0]);
}

// Every sector in storage order, every face in index order.
bool ShadowTracer::bruteForceShadowed(const LineQuery& q, Scratch&) const {
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        if (!reachedBy(sector, q.a, q.b, q.point))
            continue;
        int faceCount = int(std::min(size_t(std::max(sector.faceCount, 0)), sector.faces.size()));
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

bool ShadowTracer::cellSearchShadowed(const LineQuery& q, Scratch& scratch) const {
    const int across = landscape_.sectorsAcross, down = landscape_.sectorsDown;
    return walkBoxes(q, nearDistance_, columnMin_.data(), columnMax_.data(), across, rowMin_.data(),
                     rowMax_.data(), down, globalReach_, globalBottom_, globalTop_,
                     [&](int i, int j) { return searchSector(j * across + i, q, scratch); });
}

bool ShadowTracer::searchSector(int sectorIndex, const LineQuery& q, Scratch& scratch) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    const CellGrid& grid = grids_[sectorIndex];
    if (grid.cellColumns == 0)
        return false;
    if (lineMissesBox(q, grid.minX, grid.maxX, grid.minZ, grid.maxZ, grid.reach, grid.bottom,
                      grid.top))
        return false;
    if (!reachedBy(sector, q.a, q.b, q.point))
        return false;

    const double* colLo = grid.columnMin.data();
    const double* colHi = grid.columnMax.data() + 1;
    const double* rowLo = grid.rowMin.data();
    const double* rowHi = grid.rowMax.data() + 1;
    if (sector.faceCount > candidateCapacity) {
        // Only the first faces crossed (by index) count; when the ray may
        // cross more than that here, they are found the exact way.
        int candidates = 0;
        walkBoxes(q, nearDistance_, colLo, colHi, grid.cellColumns, rowLo, rowHi, grid.cellRows,
                  infinity, -infinity, infinity, [&](int, int) {
                      candidates += 2;
                      return candidates > candidateCapacity;
                  });
        if (candidates > candidateCapacity)
            return searchCappedSector(sectorIndex, q, scratch);
    }
    return walkBoxes(q, nearDistance_, colLo, colHi, grid.cellColumns, rowLo, rowHi, grid.cellRows,
                     grid.reach, grid.bottom, grid.top, [&](int c, int r) {
                         int cell = r * grid.cellColumns + c;
                         if (lineMissesBox(q, grid.columnMin[c], grid.columnMax[c + 1],
                                           grid.rowMin[r], grid.rowMax[r + 1], grid.cellReach[cell],
                                           grid.cellBottom[cell], grid.cellTop[cell]))
                             return false;
                         for (int f = 2 * cell; f <= 2 * cell + 1; ++f)
                             if (crossesOutline(sector, f, q.a, q.b) &&
                                 faceBlocks(sector, f, q.point, q.direction))
                                 return true;
                         return false;
                     });
}

bool ShadowTracer::searchCappedSector(int sectorIndex, const LineQuery& q, Scratch& scratch) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    const CellGrid& grid = grids_[sectorIndex];
    scratch.crossed.clear();
    walkBoxes(q, nearDistance_, grid.columnMin.data(), grid.columnMax.data() + 1, grid.cellColumns,
              grid.rowMin.data(), grid.rowMax.data() + 1, grid.cellRows, infinity, -infinity,
              infinity, [&](int c, int r) {
                  int cell = r * grid.cellColumns + c;
                  for (int f = 2 * cell; f <= 2 * cell + 1; ++f)
                      if (crossesOutline(sector, f, q.a, q.b))
                          scratch.crossed.push_back(f);
                  return false;
              });
    return facesFromListBlock(sectorIndex, q, scratch, int(scratch.crossed.size()));
}

bool ShadowTracer::facesFromListBlock(int sectorIndex, const LineQuery& q, Scratch& scratch,
                                      int crossedCount) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    std::sort(scratch.crossed.begin(), scratch.crossed.begin() + crossedCount);
    int considered = std::min(crossedCount, int(candidateCapacity));
    for (int i = 0; i < considered; ++i)
        if (faceBlocks(sector, scratch.crossed[i], q.point, q.direction))
            return true;
    return false;
}

// --- Sectors and threads -----------------------------------------------------

void ShadowTracer::traceSector(int sectorIndex, std::vector<uint8_t>& shadowed) {
    shadowed.clear();
    if (sectorIndex < 0 || sectorIndex >= sectorCount_)
        return;
    const Sector& sector = landscape_.sectors[sectorIndex];
    int vertexCount =
        int(std::min(size_t(std::max(sector.vertexCount, 0)), sector.positions.size()));
    shadowed.assign(size_t(vertexCount), 0);
    if (vertexCount == 0)
        return;
    nextVertex_.store(0);
    bool shared = helper_.joinable();
    if (shared) {
        std::lock_guard<std::mutex> lock(mutex_);
        jobSector_ = sectorIndex;
        jobShadowed_ = shadowed.data();
        jobVertexCount_ = vertexCount;
        helperBusy_ = true;
        ++jobNumber_;
    }
    if (shared)
        wake_.notify_one();
    traceRange(sectorIndex, shadowed.data(), vertexCount, 0);
    if (shared) {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [this] { return !helperBusy_; });
    }
}

// Takes small runs of vertices until none are left; each vertex is answered
// by exactly one thread.
void ShadowTracer::traceRange(int sectorIndex, uint8_t* shadowed, int vertexCount,
                              int threadIndex) {
    const int run = 8;
    const Sector& sector = landscape_.sectors[sectorIndex];
    Scratch& scratch = *scratch_[size_t(threadIndex)];
    for (;;) {
        int begin = nextVertex_.fetch_add(run);
        if (begin >= vertexCount)
            return;
        int end = std::min(begin + run, vertexCount);
        for (int v = begin; v < end; ++v) {
            LineQuery q = makeQuery(sector.positions[v]);
            bool blocked =
                cellSearch_ ? cellSearchShadowed(q, scratch) : bruteForceShadowed(q, scratch);
            shadowed[v] = blocked ? 1 : 0;
        }
    }
}

void ShadowTracer::helperLoop() {
    uint64_t seen = 0;
    for (;;) {
        int sectorIndex, vertexCount;
        uint8_t* shadowed;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return quitting_ || jobNumber_ != seen; });
            if (quitting_)
                return;
            seen = jobNumber_;
            sectorIndex = jobSector_;
            shadowed = jobShadowed_;
            vertexCount = jobVertexCount_;
        }
        traceRange(sectorIndex, shadowed, vertexCount, 1);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            helperBusy_ = false;
        }
        finished_.notify_one();
    }
}
