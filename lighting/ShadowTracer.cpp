#include "lighting/ShadowTracer.h"

#include "geometry/Intersection.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace {

const double infinity = std::numeric_limits<double>::infinity();

// How far from the truth (relative to the size of the numbers involved) the
// ground crossing test may report a crossing. It runs in 32-bit floats, a few
// units of 6e-8 per operation; a reported crossing lies within about 3e-7 of
// the ray and the edge. This leaves a safety factor of twenty or more.
const double groundSlack = 1e-5;

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
        return infinity;
    const double basisNorm = std::sqrt(basisSquared);
    const double fixed = safety * basisNorm * (4.0 / 3.0 * std::sqrt(errorSquared) + 4.8 * unit);
    const double growth = safety * 11.6 * unit * basisNorm * std::sqrt(inverseSquared);
    if (!(growth < 0.5))
        return infinity;
    // The triangle's diameter is at most |e1| + |e2|, which is at most
    // sqrt(2 (|e1|^2 + |e2|^2)).
    const double diameter = std::sqrt(2.0 * (e1Squared + e2Squared));
    return (fixed + growth * (2.0 * span + diameter)) / (1.0 - growth);
}

// Whether the ground ray a -> b crosses the outline of the triangle p0 p1 p2:
// an edge counts when the ray crosses it strictly between its ends, and a
// line through a triangle crosses two of its edges, so p2 -> p0 is not needed.
// Either of the two edges may be asked first; p1 -> p2 is the cell's diagonal
// on the grid, which a ray through either face of the cell nearly always
// crosses.
bool edgeCrossed(Vector2 a, Vector2 b, Vector2 g0, Vector2 g1) {
    float s = 0.0f;
    float t = segmentIntersection2D(a, b, g0, g1, &s);
    return t != -1.0f && s != 0.0f && s != 1.0f;
}

bool outlineCrossed(const Vector3& p0, const Vector3& p1, const Vector3& p2, Vector2 a, Vector2 b) {
    const Vector2 g0(p0.x, p0.z), g1(p1.x, p1.z), g2(p2.x, p2.z);
    return edgeCrossed(a, b, g1, g2) || edgeCrossed(a, b, g0, g1);
}

} // namespace

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
    } skip[windowLevels];
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
    Axis x, z;                   // the line's ground track: point + t * direction
    double y0 = 0, ly = 0;       // the line's height at t = 0 and its rise per unit of t
    bool crossesNothing = false; // a ray of length zero crosses no outline
    bool cellSearch = false;     // false: trace face by face

    double heightAt(double t) const { return ly == 0.0 ? y0 : y0 + ly * t; }
};

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
    return outlineCrossed(sector.positions[f.vertex[0]], sector.positions[f.vertex[1]],
                          sector.positions[f.vertex[2]], a, b);
}

bool ShadowTracer::touchesCorner(const Sector& sector, int face, Vector3 point) {
    const SectorFace& f = sector.faces[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false;
    return point.nearlyEquals(sector.positions[f.vertex[0]]) ||
           point.nearlyEquals(sector.positions[f.vertex[1]]) ||
           point.nearlyEquals(sector.positions[f.vertex[2]]);
}

bool ShadowTracer::faceBlocks(const Sector& sector, int face, Vector3 point, Vector3 direction) {
    const SectorFace& f = sector.faces[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false;
    // The faces around the point itself would always be hit.
    if (touchesCorner(sector, face, point))
        return false;
    const Vector3& p0 = sector.positions[f.vertex[0]];
    return lineHitsTriangle(f.basisInverse, point.minus(p0), direction);
}

// --- Preparation -------------------------------------------------------------

ShadowTracer::ShadowTracer(const Landscape& landscape, Vector3 sunDirection, WorkerPool& pool)
    : landscape_(landscape), sun_(sunDirection), pool_(pool) {
    sectorCount_ =
        int(std::min(size_t(std::max(landscape.sectorCount, 0)), landscape.sectors.size()));
    sectorsAcross_ = landscape.sectorsAcross;
    for (int i = 0; i < pool_.threadCount(); ++i)
        scratch_.push_back(new Scratch);
    size_t mostFaces = 0;
    for (int s = 0; s < sectorCount_; ++s)
        mostFaces = std::max(mostFaces, landscape_.sectors[s].faces.size());
    if (mostFaces > size_t(candidateCapacity))
        for (Scratch* scratch : scratch_)
            scratch->crossed.reserve(mostFaces);
    build();
}

ShadowTracer::~ShadowTracer() {
    for (Scratch* scratch : scratch_)
        delete scratch;
}

void ShadowTracer::build() {
    sunInverse_[0] = sun_.x != 0.0f ? 1.0 / double(sun_.x) : 0.0;
    sunInverse_[1] = sun_.z != 0.0f ? 1.0 / double(sun_.z) : 0.0;
    bool finite = std::isfinite(sun_.x) && std::isfinite(sun_.y) && std::isfinite(sun_.z);
    if (finite) {
        // The ray's far end must be finite too, or the ray tests fall apart.
        Vector2 ground(sun_.x, sun_.z);
        ground.scale(rayReach);
        finite = std::isfinite(ground.x) && std::isfinite(ground.y);
    }
    cellSearch_ = finite && layOutGrid() && fitUniformGrid();
    if (!cellSearch_) {
        cells_.release();
        return;
    }
    if (!measureCells()) {
        cellSearch_ = false;
        cells_.release();
        return;
    }
    // The rest reads the cells' bounds and writes different things: one
    // thread makes the windows while another does everything else.
    pool_.forEach(2, 1, [&](int part, int, int) {
        if (part == 1) {
            measureWindows();
            return;
        }
        boundWhatLiesAhead();
        markCappedSectors();
        const double w = walkWidth_ + 2.0 * gridSlack_;
        buildSteps(vertexSteps_, w, w, true);
    });
}

// The cell search relies on the terrain being what newMap and the edits
// make: sectors in rows and columns, each a grid of vertex columns and rows,
// all sectors of one sector column with the same number of vertex columns
// (and of one sector row with the same number of vertex rows), and faces
// 2k and 2k + 1 made of the corners of cell k the way the grid makes them
// (checked while the cells are measured). Anything else is traced face by
// face.
bool ShadowTracer::layOutGrid() {
    const int across = landscape_.sectorsAcross, down = landscape_.sectorsDown;
    if (across <= 0 || down <= 0 || int64_t(across) * down != sectorCount_)
        return false;
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        const int columns = sector.columns, rows = sector.rows;
        const Sector& top = landscape_.sectors[s % across];
        const Sector& left = landscape_.sectors[s - s % across];
        if (columns < 2 || rows < 2 || int64_t(columns) * rows != sector.vertexCount ||
            sector.positions.size() != size_t(sector.vertexCount) ||
            int64_t(sector.faceCount) != 2 * int64_t(columns - 1) * (rows - 1) ||
            sector.faces.size() < size_t(sector.faceCount) || columns != top.columns ||
            rows != left.rows)
            return false;
    }
    for (int axis = 0; axis < 2; ++axis) {
        const int lines = axis == 0 ? across : down;
        cellSector_[axis].clear();
        cellLocal_[axis].clear();
        firstCell_[axis].assign(size_t(lines), 0);
        for (int line = 0; line < lines; ++line) {
            const Sector& first = landscape_.sectors[axis == 0 ? line : line * across];
            const int vertices = axis == 0 ? first.columns : first.rows;
            firstCell_[axis][line] = int(cellSector_[axis].size());
            for (int v = 0; v + 1 < vertices; ++v) {
                cellSector_[axis].push_back(line);
                cellLocal_[axis].push_back(v);
            }
        }
        const size_t vertexLines = cellSector_[axis].size() + 1;
        vertexLo_[axis].assign(vertexLines, infinity);
        vertexHi_[axis].assign(vertexLines, -infinity);
    }
    cellsAcross_ = int(cellSector_[0].size());
    cellsDown_ = int(cellSector_[1].size());
    return measurePositions();
}

// The map's bounds, and the range of every vertex column and row of the whole
// map: the last one of a sector column and the first of the next are the
// same, shared by both sectors, and each spans every copy of it. Cell X spans
// from vertex column X to X + 1, so it holds all the corners of its faces.
bool ShadowTracer::measurePositions() {
    const int across = landscape_.sectorsAcross;
    double low[3] = {infinity, infinity, infinity}, high[3] = {-infinity, -infinity, -infinity};
    double* columnLo = vertexLo_[0].data();
    double* columnHi = vertexHi_[0].data();
    double* rowLo = vertexLo_[1].data();
    double* rowHi = vertexHi_[1].data();
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        const int baseColumn = firstCell_[0][s % across], baseRow = firstCell_[1][s / across];
        const Vector3* p = sector.positions.data();
        for (int r = 0; r < sector.rows; ++r) {
            double zLo = infinity, zHi = -infinity;
            for (int c = 0; c < sector.columns; ++c, ++p) {
                // A sum that is not finite means some coordinate is not.
                if (!std::isfinite(p->x + p->y + p->z))
                    return false;
                const double x = p->x, y = p->y, z = p->z;
                double& xLo = columnLo[baseColumn + c];
                double& xHi = columnHi[baseColumn + c];
                xLo = std::min(xLo, x);
                xHi = std::max(xHi, x);
                low[1] = std::min(low[1], y);
                high[1] = std::max(high[1], y);
                zLo = std::min(zLo, z);
                zHi = std::max(zHi, z);
            }
            rowLo[baseRow + r] = std::min(rowLo[baseRow + r], zLo);
            rowHi[baseRow + r] = std::max(rowHi[baseRow + r], zHi);
        }
    }
    low[0] = *std::min_element(vertexLo_[0].begin(), vertexLo_[0].end());
    high[0] = *std::max_element(vertexHi_[0].begin(), vertexHi_[0].end());
    low[2] = *std::min_element(vertexLo_[1].begin(), vertexLo_[1].end());
    high[2] = *std::max_element(vertexHi_[1].begin(), vertexHi_[1].end());
    for (int axis = 0; axis < 3; ++axis) {
        mapMin_[axis] = low[axis];
        mapMax_[axis] = high[axis];
    }
    for (int axis = 0; axis < 2; ++axis) {
        cellLo_[axis].assign(vertexLo_[axis].begin(), vertexLo_[axis].end() - 1);
        cellHi_[axis].assign(vertexHi_[axis].begin() + 1, vertexHi_[axis].end());
    }
    return true;
}

// The walk patterns assume vertex columns and rows evenly spaced; they may
// stray from that by gridSlack_, a small part of a cell.
bool ShadowTracer::fitUniformGrid() {
    gridSlack_ = 0;
    for (int axis = 0; axis < 2; ++axis) {
        const std::vector<double>& lo = vertexLo_[axis];
        const std::vector<double>& hi = vertexHi_[axis];
        const size_t last = lo.size() - 1;
        gridOrigin_[axis] = 0.5 * (lo[0] + hi[0]);
        cellSize_[axis] = (0.5 * (lo[last] + hi[last]) - gridOrigin_[axis]) / double(last);
        if (!(cellSize_[axis] > 0.0) || !std::isfinite(cellSize_[axis]))
            return false;
        cellsPerUnit_[axis] = 1.0 / cellSize_[axis];
        for (size_t v = 0; v <= last; ++v) {
            const double even = gridOrigin_[axis] + double(v) * cellSize_[axis];
            gridSlack_ = std::max({gridSlack_, std::fabs(lo[v] - even), std::fabs(hi[v] - even)});
        }
    }
    cornersApart_ = std::min(cellSize_[0], cellSize_[1]) - 2.0 * gridSlack_ > 0.002;
    return gridSlack_ <= 0.05 * std::min(cellSize_[0], cellSize_[1]);
}

// Height bounds of every cell, widened by how far a reported hit can lie from
// the cell (faceReach). A line that stays farther than that from a cell
// cannot hit its faces.
bool ShadowTracer::measureCells() {
    // Points are searched cell by cell inside a box around the map (others
    // face by face); `span` is the farthest any of them can be from a corner.
    double span2 = 0;
    coordinateMax_ = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const double margin = 0.1 * (mapMax_[axis] - mapMin_[axis]) + 1.0;
        queryMin_[axis] = mapMin_[axis] - margin;
        queryMax_[axis] = mapMax_[axis] + margin;
        span2 += (queryMax_[axis] - queryMin_[axis]) * (queryMax_[axis] - queryMin_[axis]);
        coordinateMax_ =
            std::max({coordinateMax_, std::fabs(queryMin_[axis]), std::fabs(queryMax_[axis])});
    }
    span_ = std::sqrt(span2);
    const double groundLength = std::sqrt(double(sun_.x) * sun_.x + double(sun_.z) * sun_.z);
    nearDistance_ = groundSlack * (1.0 + 4.0 * coordinateMax_ + 2.0 * rayReach * groundLength);
    // The ray's far end is rounded to a float, the line's ground track is not:
    // for a point inside the box they part by at most this much.
    deviationCap_ =
        1.2e-7 * (2.0 * coordinateMax_ + 2.0 * rayReach * (std::fabs(sun_.x) + std::fabs(sun_.z)));
    // Every face whose outline the ray crosses lies in a cell the line's
    // ground track passes within this distance of.
    walkWidth_ = nearDistance_ + deviationCap_;
    const double lx = std::fabs(double(sun_.x)), lz = std::fabs(double(sun_.z));
    steepest_ = 1.0 / (lx == 0.0 ? lz : lz == 0.0 ? lx : std::min(lx, lz));

    cells_.allocate(size_t(cellsAcross_) * cellsDown_);
    // A packed copy of the face bases keeps the searches from reading whole
    // face records, as long as it is small enough to stay in the cache; for
    // larger maps it would only cost fresh memory.
    const size_t inverseBytes = 2 * cells_.size() * sizeof(Matrix3);
    copiedInverses_ = inverseBytes <= 8u << 20;
    if (copiedInverses_)
        inverses_.allocate(2 * cells_.size());
    else
        inverses_.release();
    std::atomic<bool> regular{true};
    pool_.forEach(cellsDown_, 4, [&](int begin, int end, int) {
        for (int row = begin; row < end && regular.load(std::memory_order_relaxed); ++row)
            if (!measureCellRow(row))
                regular.store(false);
    });
    return regular.load();
}

// How much the line's height can change over the extra part of the line that
// a cell of the given reach is looked at over (cellBlocks): where the track
// passes within `reach` of a box, it passes within the walk width of it no
// more than (reach - walk width) / |sun.x| earlier or later, and likewise
// with sun.z; the smaller of the two gives the most.
double ShadowTracer::extraLength(double reach) const {
    return reach > walkWidth_ ? (reach - walkWidth_) * steepest_ : 0.0;
}

// Measures the cells of one global row; false when a face is not made the
// way the grid makes it.
bool ShadowTracer::measureCellRow(int row) {
    const int sectorRow = cellSector_[1][row], r = cellLocal_[1][row];
    const double rise = std::fabs(double(sun_.y));
    for (int column = 0; column < cellsAcross_; ++column) {
        const Sector& sector =
            landscape_.sectors[sectorRow * landscape_.sectorsAcross + cellSector_[0][column]];
        const int c = cellLocal_[0][column], columns = sector.columns;
        const size_t here = size_t(r) * columns + c;
        const uint32_t hereIndex = uint32_t(here), rightIndex = hereIndex + 1;
        const uint32_t belowIndex = hereIndex + uint32_t(columns);
        const SectorFace* f = &sector.faces[size_t(2 * (r * (columns - 1) + c))];
        if (f[0].vertex[0] != hereIndex || f[0].vertex[1] != rightIndex ||
            f[0].vertex[2] != belowIndex || f[1].vertex[0] != belowIndex + 1 ||
            f[1].vertex[1] != rightIndex || f[1].vertex[2] != belowIndex)
            return false;
        const float heights[4] = {sector.positions[here].y, sector.positions[here + 1].y,
                                  sector.positions[here + columns].y,
                                  sector.positions[here + columns + 1].y};
        const double lowY = *std::min_element(heights, heights + 4);
        const double highY = *std::max_element(heights, heights + 4);
        const Vector3* corner = &sector.positions[here];
        const Vector3& right = corner[1];
        const Vector3& below = corner[columns];
        const Vector3& diagonal = corner[columns + 1];
        const size_t cell = size_t(row) * cellsAcross_ + column;
        if (copiedInverses_) {
            inverses_.make(2 * cell, f[0].basisInverse);
            inverses_.make(2 * cell + 1, f[1].basisInverse);
        }
        const double reach = std::max(faceReach(f[0].basisInverse, *corner, right, below, span_),
                                      faceReach(f[1].basisInverse, diagonal, right, below, span_)) *
                             (1.0 + 1e-6);
        if (!(reach < infinity)) {
            cells_.make(cell, CellBounds{-INFINITY, INFINITY, INFINITY, 0});
            continue;
        }
        const double margin = reach + rise * extraLength(reach);
        cells_.make(cell, CellBounds{roundedDown(lowY - margin), roundedUp(highY + margin),
                                     roundedUp(reach), 0});
    }
    return true;
}

// For every cell, an upper bound (a lower one for a sun below the horizon) on
// how high the line may still be when it reaches the cell and yet hit
// something further along: the highest top among the cells ahead, each
// lowered by the line's rise over its least distance from here. Distances
// are counted in steps to the nearest of the eight neighbouring cells, each at
// least the smaller cell side (less the slack) long, so they never exceed the
// real distance.
void ShadowTracer::boundWhatLiesAhead() {
    const double lx = sun_.x, ly = sun_.y, lz = sun_.z;
    const double ground = std::sqrt(lx * lx + lz * lz);
    const double rise = ground > 0.0 ? std::fabs(ly) / ground : 0.0; // per unit of ground
    const double side = std::max(0.0, std::min(cellSize_[0], cellSize_[1]) - 2.0 * gridSlack_);
    const double fall = rise * side; // per step between cells
    const bool upward = ly >= 0.0;
    // Worked out on `value`, the top (or the bottom, negated, for a sun below
    // the horizon). A cell whose hits may stray beyond the walk width may be
    // hit a little before the walk reaches it (see vertexWalkBlocked).
    mapTop_ = -INFINITY;
    mapBottom_ = INFINITY;
    PoolArray<double> value;
    value.allocate(cells_.size());
    for (size_t cell = 0; cell < cells_.size(); ++cell) {
        const CellBounds& b = cells_[cell];
        double early = 0;
        if (b.reach > walkWidth_)
            early = std::fabs(ly) * extraLength(b.reach) + rise * b.reach;
        const double top = b.top + early, bottom = b.bottom - early;
        mapTop_ = std::max(mapTop_, roundedUp(top));
        mapBottom_ = std::min(mapBottom_, roundedDown(bottom));
        value.make(cell, upward ? top : -bottom);
    }
    // Largest value less the fall per step, over the cells ahead.
    const int across = cellsAcross_, down = cellsDown_;
    const int dx = lx > 0.0 ? 1 : lx < 0.0 ? -1 : 0, dz = lz > 0.0 ? 1 : lz < 0.0 ? -1 : 0;
    auto at = [&](int column, int row) -> double& { return value[size_t(row) * across + column]; };
    if (dx != 0 && dz != 0) {
        // Rows from the far side on: each cell takes the best of itself and
        // its three neighbours ahead.
        for (int rs = 0; rs < down; ++rs) {
            const int row = dz > 0 ? down - 1 - rs : rs;
            double* line = &at(0, row);
            const double* ahead = rs > 0 ? &at(0, row + dz) : nullptr;
            const int far = dx > 0 ? across - 1 : 0;
            if (ahead != nullptr)
                line[far] = std::max(line[far], ahead[far] - fall);
            for (int cs = 1; cs < across; ++cs) {
                const int column = dx > 0 ? across - 1 - cs : cs;
                double best = std::max(line[column], line[column + dx] - fall);
                if (ahead != nullptr)
                    best = std::max(best, std::max(ahead[column], ahead[column + dx]) - fall);
                line[column] = best;
            }
        }
    } else {
        // Along an axis: steps along x and z are counted separately, each at
        // half the fall, which is never more than the fall per step of the
        // nearest-neighbour count.
        const double half = 0.5 * fall;
        for (int row = 0; row < down; ++row) {
            if (dx >= 0)
                for (int column = across - 2; column >= 0; --column)
                    at(column, row) = std::max(at(column, row), at(column + 1, row) - half);
            if (dx <= 0)
                for (int column = 1; column < across; ++column)
                    at(column, row) = std::max(at(column, row), at(column - 1, row) - half);
        }
        for (int column = 0; column < across; ++column) {
            if (dz >= 0)
                for (int row = down - 2; row >= 0; --row)
                    at(column, row) = std::max(at(column, row), at(column, row + 1) - half);
            if (dz <= 0)
                for (int row = 1; row < down; ++row)
                    at(column, row) = std::max(at(column, row), at(column, row - 1) - half);
        }
    }
    for (size_t cell = 0; cell < cells_.size(); ++cell)
        cells_[cell].ahead = upward ? roundedUp(value[cell]) : roundedDown(-value[cell]);
    // How far the line may rise between a step's start and the corner the
    // bound is read at (see vertexWalkBlocked), plus rounding.
    const double w = walkWidth_ + 2.0 * gridSlack_;
    const int behind = 1 + int(std::floor(2.0 * w / std::min(cellSize_[0], cellSize_[1])));
    terminationMargin_ = fall * (behind + 1) + rise * (2.0 * w + gridSlack_) +
                         1e-5 * (std::fabs(mapTop_) + std::fabs(mapBottom_) + 1.0);
}

namespace {

// out[i] = the bounds of in[i + k * stride] for k = 0..3, as many of them as
// lie below count.
template <typename Bounds> void joinFour(const Bounds* in, Bounds* out, int count, int stride) {
    for (int i = 0; i < count; ++i) {
        Bounds b = in[i];
        for (int k = 1; k < 4 && i + k * stride < count; ++k) {
            b.bottom = std::min(b.bottom, in[i + k * stride].bottom);
            b.top = std::max(b.top, in[i + k * stride].top);
        }
        out[i] = b;
    }
}

} // namespace

void ShadowTracer::measureWindows() {
    static_assert(windowLevels == 2, "one array of window bounds per window size");
    const int across = cellsAcross_, down = cellsDown_;
    const size_t count = cells_.size();
    PoolArray<WindowBounds>& large = windows_[0];
    PoolArray<WindowBounds>& small = windows_[1];
    small.allocate(count);
    large.allocate(count);
    // Along x, row by row: `small` first joins 4 cells, `large` 4 of those, 4
    // apart.
    for (int row = 0; row < down; ++row) {
        const size_t base = size_t(row) * across;
        WindowBounds* single = &large[base]; // the cells' own bounds first
        for (int column = 0; column < across; ++column)
            new (single + column)
                WindowBounds{cells_[base + column].bottom, cells_[base + column].top};
        joinFour(single, &small[base], across, 1);
        joinFour(&small[base], &large[base], across, 4);
    }
    // Along z, in place and row by row from the first (each row only looks at
    // rows after it): `small` becomes 4 x 4, `large` 16 x 4 and then 16 x 16.
    auto joinRows = [&](PoolArray<WindowBounds>& bounds, int stride) {
        for (int row = 0; row < down; ++row) {
            WindowBounds* out = &bounds[size_t(row) * across];
            for (int k = 1; k < 4 && row + k * stride < down; ++k) {
                const WindowBounds* in = out + size_t(k * stride) * across;
                for (int column = 0; column < across; ++column) {
                    out[column].bottom = std::min(out[column].bottom, in[column].bottom);
                    out[column].top = std::max(out[column].top, in[column].top);
                }
            }
        }
    };
    joinRows(small, 1);
    joinRows(large, 1);
    joinRows(large, 4);
}

// Only the first 1024 crossed faces of a sector count. A sector is marked when
// a band of the walk's width around a straight line could touch more than 512
// of its cells; there the crossed faces are collected and sorted the exact way.
void ShadowTracer::markCappedSectors() {
    capped_.assign(size_t(sectorCount_), 0);
    const double w = walkWidth_;
    // Cells (count of them along one axis, each at most width wide) that a
    // band of half width w around a line with the given slope can touch, at
    // most, through the `others` cells along the other axis with extents
    // [lo, hi].
    auto mostTouched = [&](int count, double width, double slope, const double* lo,
                           const double* hi, int others) {
        double longest = 0, shortestStep = infinity;
        for (int m = 0; m < others; ++m) {
            longest = std::max(longest, hi[m] - lo[m]);
            if (m + 1 < others)
                shortestStep = std::min(shortestStep, lo[m + 1] - lo[m]);
        }
        if (others == 1)
            return double(count);
        if (!(shortestStep > 0.0))
            return infinity;
        double extent = (width + 2.0 * w) * slope + 2.0 * w;
        double perColumn = std::min(double(others), (extent + longest) / shortestStep + 1.0);
        return count * perColumn;
    };
    for (int s = 0; s < sectorCount_; ++s) {
        const Sector& sector = landscape_.sectors[s];
        if (sector.faceCount <= candidateCapacity)
            continue;
        const int i = s % landscape_.sectorsAcross, j = s / landscape_.sectorsAcross;
        const int x0 = firstCell_[0][i], columns = sector.columns - 1;
        const int z0 = firstCell_[1][j], rows = sector.rows - 1;
        double widest = 0, deepest = 0;
        for (int k = x0; k < x0 + columns; ++k)
            widest = std::max(widest, cellHi_[0][k] - cellLo_[0][k]);
        for (int m = z0; m < z0 + rows; ++m)
            deepest = std::max(deepest, cellHi_[1][m] - cellLo_[1][m]);
        double touched = double(columns) * rows;
        const double lx = std::fabs(double(sun_.x)), lz = std::fabs(double(sun_.z));
        if (lx > 0.0)
            touched = std::min(touched, mostTouched(columns, widest, lz / lx, &cellLo_[1][z0],
                                                    &cellHi_[1][z0], rows));
        if (lz > 0.0)
            touched = std::min(touched, mostTouched(rows, deepest, lx / lz, &cellLo_[0][x0],
                                                    &cellHi_[0][x0], columns));
        capped_[s] = 2.0 * touched > candidateCapacity ? 1 : 0;
    }
}

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
    const int behindX = 1 + int(std::floor(2.0 * widenX / sx));
    const int behindZ = 1 + int(std::floor(2.0 * widenZ / sz));
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

namespace {

// False when the line keeps farther than `reach` from the plane of the
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
    return sector.faces[size_t(face)].basisInverse;
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

// --- Sectors and threads -----------------------------------------------------

void ShadowTracer::traceSector(int sectorIndex, std::vector<uint8_t>& shadowed) {
    shadowed.clear();
    if (sectorIndex < 0 || sectorIndex >= sectorCount_)
        return;
    int vertexCount = verticesOf(sectorIndex);
    shadowed.assign(size_t(vertexCount), 0);
    pool_.forEach(vertexCount, 8, [&](int begin, int end, int thread) {
        traceVertices(sectorIndex, begin, end, shadowed.data(), thread);
    });
}

int ShadowTracer::verticesOf(int sectorIndex) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    return int(std::min(size_t(std::max(sector.vertexCount, 0)), sector.positions.size()));
}

// Vertices one after the other along the rows of the sector: when the one
// before (or the one a row up) was shadowed, its blocking face is first used
// to guess this one's.
void ShadowTracer::traceVertices(int sectorIndex, int begin, int end, uint8_t* shadowed,
                                 int thread) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    Scratch& scratch = *scratch_[size_t(thread)];
    Walk walk{&vertexSteps_, 0, 0, true, sectorIndex};
    int firstColumn = 0, firstRow = 0; // the sector's first vertex on the map's grid
    if (cellSearch_) {
        firstColumn = firstCell_[0][sectorIndex % landscape_.sectorsAcross];
        firstRow = firstCell_[1][sectorIndex / landscape_.sectorsAcross];
    }
    const int columns = sector.columns;
    scratch.above.assign(size_t(columns), Witness());
    Witness left; // what blocked the vertex before this one in the row
    for (int v = begin; v < end; ++v) {
        const int column = v % columns;
        if (column == 0)
            left = Witness();
        const LineQuery q = makeQuery(sector.positions[v]);
        Witness found;
        if (q.cellSearch && !q.crossesNothing) {
            Witness& above = scratch.above[size_t(column)];
            if (left.found) {
                found = left;
                if (!guessedWitnessBlocks(q, found))
                    found = Witness();
            }
            if (!found.found && above.found && v - columns >= begin) {
                found = above;
                if (!guessedWitnessBlocks(q, found))
                    found = Witness();
            }
        }
        if (found.found) {
            shadowed[v] = 1;
        } else {
            scratch.witness = Witness();
            if (cellSearch_) {
                walk.column = firstColumn + column;
                walk.row = firstRow + v / columns;
            }
            shadowed[v] = shadowedAt(q, scratch, walk) ? 1 : 0;
            found = scratch.witness;
        }
        left = found;
        scratch.above[size_t(column)] = found;
    }
}

// Whole sectors go to whichever thread claims them first; this thread also
// announces every sector in order before it claims it (or finds it taken), so
// the announcements keep their number and order whatever the others do.
void ShadowTracer::traceAll(const SectorStart& start, const SectorDone& done) {
    if (sectorCount_ <= 0)
        return;
    std::unique_ptr<std::atomic<bool>[]> claimed(new std::atomic<bool>[size_t(sectorCount_)]);
    for (int s = 0; s < sectorCount_; ++s)
        claimed[s].store(false);
    auto claim = [&](int s) { return !claimed[s].exchange(true); };
    auto traceWhole = [&](int s, int thread) {
        std::vector<uint8_t>& shadowed = scratch_[size_t(thread)]->shadowed;
        int vertexCount = verticesOf(s);
        shadowed.assign(size_t(vertexCount), 0);
        traceVertices(s, 0, vertexCount, shadowed.data(), thread);
        done(s, shadowed);
    };
    pool_.runOnAll([&](int thread) {
        for (int s = 0; s < sectorCount_; ++s) {
            if (thread == 0)
                start(s);
            if (claim(s))
                traceWhole(s, thread);
        }
    });
}
