#include "lighting/ShadowTracer.h"

#include "geometry/Intersection.h"
#include "landscape/Landscape.h"
#include "landscape/Sector.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

const double infinity = std::numeric_limits<double>::infinity();

// A cell whose faces are steeper or worse conditioned than this is never left
// out by height: the rounding of its line test is too hard to bound.
const double worstPrunableFactor = 1e5;

// How far from the truth (relative to the size of the numbers involved) the
// exact tests may report a crossing or a hit. They run in 32-bit floats, a
// few units of 6e-8 per operation; a reported ground crossing lies within
// about 3e-7 of the ray and the edge, a reported hit within about 2e-6 times
// the face's condition number of the line and the triangle. These bounds
// leave a safety factor of twenty or more.
const double groundSlack = 1e-5;
const double lineSlack = 4e-6;

// One coordinate of a ray or line: origin + t * dir.
struct Axis {
    double origin = 0, dir = 0;
    double inverse = 0; // 1 / dir, 0 when dir is 0

    void set(double o, double d) {
        origin = o;
        dir = d;
        inverse = d != 0.0 ? 1.0 / d : 0.0;
    }
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

// A run of intervals k = [lo[k], hi[k]], k < count, whose ends never go
// backwards: the vertex columns of a sector, its cells, the sector columns of
// the map. They are nearly evenly spaced, so an interval is first guessed
// from start and inverseStep and then found by stepping.
struct Ladder {
    const double* lo = nullptr;
    const double* hi = nullptr;
    int count = 0;
    double start = 0;       // lo[0]
    double inverseStep = 0; // intervals per unit, 0 when unknown

    Ladder() = default;
    Ladder(const double* lo_, const double* hi_, int count_) : lo(lo_), hi(hi_), count(count_) {
        if (count > 0) {
            start = lo[0];
            double span = hi[count - 1] - lo[0];
            inverseStep = span > 0.0 && std::isfinite(span) ? count / span : 0.0;
        }
    }

    int guess(double x) const {
        double k = (x - start) * inverseStep;
        if (!(k >= 0.0))
            return 0;
        return k >= double(count - 1) ? count - 1 : int(k); // int() floors what is not negative
    }

    // The range [first, last] of intervals that overlap [qlo, qhi]; empty
    // when first > last.
    void overlapping(double qlo, double qhi, int& first, int& last) const {
        first = guess(qlo); // first k with hi[k] >= qlo, or count
        while (first > 0 && hi[first - 1] >= qlo)
            --first;
        while (first < count && hi[first] < qlo)
            ++first;
        last = guess(qhi); // last k with lo[k] <= qhi, or -1
        while (last + 1 < count && lo[last + 1] <= qhi)
            ++last;
        while (last >= 0 && lo[last] > qhi)
            --last;
    }
};

// The corners of face f of a sector `columns` vertices wide, as the grid
// makes them: cell k = f / 2 at (c, r) has first face (c, r), (c+1, r),
// (c, r+1) and second face (c+1, r+1), (c+1, r), (c, r+1).
struct FaceCorners {
    uint32_t vertex[3];
};

FaceCorners cellFaceCorners(int columns, int f) {
    int cell = f / 2;
    uint32_t c = uint32_t(cell % (columns - 1)), r = uint32_t(cell / (columns - 1));
    uint32_t here = r * uint32_t(columns) + c;
    uint32_t right = here + 1, below = here + uint32_t(columns), diagonal = below + 1;
    return f % 2 == 0 ? FaceCorners{{here, right, below}} : FaceCorners{{diagonal, right, below}};
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
    std::vector<float> cellTop;    // no line above this can hit the cell's faces; +inf: unknown
    std::vector<float> cellBottom; // nor any line below this
    double top = -infinity, bottom = infinity; // the same for the whole sector
    double reach = 0;               // nor any line farther than this beside any of its cells
    bool everyCellBounded = true;   // false: some cell must always be tested
    Ladder columnLadder, rowLadder; // the cells' x and z ranges (into the vectors above)
};

struct ShadowTracer::Scratch {
    std::vector<int> crossed;      // face indices of one sector whose outline the ray crosses
    std::vector<uint8_t> shadowed; // the answers for the sector being traced
};

struct ShadowTracer::LineQuery {
    Vector3 point;        // the traced point
    Vector3 direction;    // towards the sun
    Vector2 a, b;         // the ground ray exactly as the face tests see it
    Axis rayX, rayZ;      // the same ray: a + u * (b - a), u in [0, 1]
    Axis lineX, lineZ;    // the line's ground track: point + t * direction
    double ly = 0;        // the line's rise per unit of t
    double y0 = 0;        // height of the point
    double sideLimit = 0; // |side()| beyond which a point is too far beside the ray to matter
    double endLimit = 0;  // along() beyond which a point lies past the ray's end

    // Which side of the ray a point lies on, times the ray's length.
    double side(const Vector3& p) const {
        return rayX.dir * (double(p.z) - rayZ.origin) - rayZ.dir * (double(p.x) - rayX.origin);
    }
    // How far along the ray a point lies, times the ray's length.
    double along(const Vector3& p) const {
        return rayX.dir * (double(p.x) - rayX.origin) + rayZ.dir * (double(p.z) - rayZ.origin);
    }
};

namespace {

// True when the part [t0, t1] of the line cannot hit anything between bottom
// and top (nothing of the line at all when t0 > t1).
template <typename Query>
bool missesHeights(const Query& q, double t0, double t1, double bottom, double top) {
    if (t0 > t1)
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

// True when the line point + t * direction never comes within reach of the box
// [x0, x1] x [bottom, top] x [z0, z1]: no face inside the box can be hit.
template <typename Query>
bool lineMissesBox(const Query& q, double x0, double x1, double z0, double z1, double reach,
                   double bottom, double top) {
    double t0 = -infinity, t1 = infinity;
    if (!clipSlab(q.lineX, x0 - reach, x1 + reach, t0, t1) ||
        !clipSlab(q.lineZ, z0 - reach, z1 + reach, t0, t1))
        return true;
    return missesHeights(q, t0, t1, bottom, top);
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

// Visits every box (column k, row m) of a grid whose box, widened by `near`,
// the ground ray a + u * (b - a), u in [0, 1], passes through, in the order
// the line travels. visit(k, m, t0, t1) gets the part [t0, t1] of the line
// that lies over the box widened by `reach` (empty when t0 > t1) and returns
// true to end the walk (the result is then true). Before each column and row
// the boxes left are dropped once the line is past [bottom, top] there.
template <typename Query, typename Visit>
bool walkBoxes(const Query& q, double near, const Ladder& columns, const Ladder& rows, double reach,
               double bottom, double top, Visit&& visit) {
    if (columns.count <= 0 || rows.count <= 0)
        return false;
    double xa = q.rayX.origin, xb = q.rayX.origin + q.rayX.dir;
    int first, last;
    columns.overlapping(std::min(xa, xb) - near, std::max(xa, xb) + near, first, last);
    if (first > last)
        return false;
    const bool forwardX = q.lineX.dir >= 0.0;
    const bool forwardZ = q.lineZ.dir >= 0.0;
    for (int step = 0; step <= last - first; ++step) {
        int k = forwardX ? first + step : last - step;
        double tx0 = -infinity, tx1 = infinity;
        bool lineOver = clipSlab(q.lineX, columns.lo[k] - reach, columns.hi[k] + reach, tx0, tx1);
        if (lineOver && pastEverything(q, tx0, bottom, top))
            return false;
        double u0 = 0.0, u1 = 1.0;
        if (!clipSlab(q.rayX, columns.lo[k] - near, columns.hi[k] + near, u0, u1))
            continue;
        double za = q.rayZ.origin + u0 * q.rayZ.dir, zb = q.rayZ.origin + u1 * q.rayZ.dir;
        int rowFirst, rowLast;
        rows.overlapping(std::min(za, zb) - near, std::max(za, zb) + near, rowFirst, rowLast);
        for (int rowStep = 0; rowStep <= rowLast - rowFirst; ++rowStep) {
            int m = forwardZ ? rowFirst + rowStep : rowLast - rowStep;
            double t0 = tx0, t1 = tx1;
            bool over =
                lineOver && clipSlab(q.lineZ, rows.lo[m] - reach, rows.hi[m] + reach, t0, t1);
            if (over && pastEverything(q, t0, bottom, top))
                break;
            if (!over)
                t0 = infinity, t1 = -infinity;
            if (visit(k, m, t0, t1))
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

ShadowTracer::ShadowTracer(const Landscape& landscape, Vector3 sunDirection, int threadCount)
    : landscape_(landscape), sun_(sunDirection) {
    sectorCount_ =
        int(std::min(size_t(std::max(landscape.sectorCount, 0)), landscape.sectors.size()));
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
    build();
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
// faces 2k and 2k + 1 made of the corners of cell k the way the grid makes
// them. Anything else is traced face by face.
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
            FaceCorners corners = cellFaceCorners(columns, f);
            for (int k = 0; k < 3; ++k)
                if (sector.faces[f].vertex[k] != corners.vertex[k])
                    return false;
        }
    }

    for (CellGrid& grid : grids_) {
        grid.columnLadder =
            Ladder(grid.columnMin.data(), grid.columnMax.data() + 1, grid.cellColumns);
        grid.rowLadder = Ladder(grid.rowMin.data(), grid.rowMax.data() + 1, grid.cellRows);
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

// Height bounds of every cell, widened by how far a reported hit can lie from
// the cell: the rounding of the line test (which grows with the size of the
// numbers and the conditioning of the face), and the difference between the
// triangle a face's stored basis inverse describes and the one its corners
// make (the elimination that computes it does not pivot, and is sometimes
// off by several percent). A line that stays farther than that from a cell
// cannot hit its faces and they are not tested. Faces whose basis inverse is
// too far off or too badly conditioned for such a bound are always tested.
void ShadowTracer::measureCells() {
    double coordinateMax = 0;
    for (int s = 0; s < sectorCount_; ++s)
        for (const Vector3& p : landscape_.sectors[s].positions)
            coordinateMax = std::max({coordinateMax, std::fabs(double(p.x)), std::fabs(double(p.y)),
                                      std::fabs(double(p.z))});
    double sunLength =
        std::sqrt(double(sun_.x) * sun_.x + double(sun_.y) * sun_.y + double(sun_.z) * sun_.z);
    double groundLength = std::sqrt(double(sun_.x) * sun_.x + double(sun_.z) * sun_.z);
    nearDistance_ = groundSlack * (1.0 + 4.0 * coordinateMax + 2.0 * rayReach * groundLength);
    const double scale = 4.0 * coordinateMax + 2.0 * rayReach * sunLength + 1.0;

    shareWork(sectorCount_, 4, [&](int begin, int end, int) {
        for (int s = begin; s < end; ++s)
            measureSector(s, scale);
    });
    globalTop_ = -infinity;
    globalBottom_ = infinity;
    globalReach_ = nearDistance_;
    for (const CellGrid& grid : grids_) {
        globalTop_ = std::max(globalTop_, grid.top);
        globalBottom_ = std::min(globalBottom_, grid.bottom);
        globalReach_ = std::max(globalReach_, grid.reach);
    }
}

void ShadowTracer::measureSector(int sectorIndex, double scale) {
    const Sector& sector = landscape_.sectors[sectorIndex];
    CellGrid& grid = grids_[sectorIndex];
    grid.reach = nearDistance_;
    grid.everyCellBounded = true;
    int cells = grid.cellColumns * grid.cellRows;
    grid.cellTop.assign(size_t(cells), 0.0f);
    grid.cellBottom.assign(size_t(cells), 0.0f);
    for (int cell = 0; cell < cells; ++cell) {
        int cc = cell % grid.cellColumns, cr = cell / grid.cellColumns;
        double lowY = infinity, highY = -infinity;
        for (int dr = 0; dr <= 1; ++dr)
            for (int dc = 0; dc <= 1; ++dc) {
                double y = sector.positions[size_t(cr + dr) * sector.columns + cc + dc].y;
                lowY = std::min(lowY, y);
                highY = std::max(highY, y);
            }
        double width = grid.columnMax[cc + 1] - grid.columnMin[cc];
        double depth = grid.rowMax[cr + 1] - grid.rowMin[cr];
        double extent = std::sqrt(width * width + depth * depth + (highY - lowY) * (highY - lowY));
        double margin = 1e-3 + 1e-3 * extent;
        bool bounded = true;
        for (int f = 2 * cell; f <= 2 * cell + 1 && bounded; ++f) {
            double slack = faceSlack(sector, f, scale);
            bounded = slack < infinity;
            margin += slack;
        }
        if (bounded) {
            double reach = std::max(nearDistance_, margin);
            grid.cellTop[cell] = float(highY + reach);
            grid.cellBottom[cell] = float(lowY - reach);
            grid.reach = std::max(grid.reach, reach);
            grid.top = std::max(grid.top, double(grid.cellTop[cell]));
            grid.bottom = std::min(grid.bottom, double(grid.cellBottom[cell]));
        } else {
            grid.cellTop[cell] = INFINITY;
            grid.cellBottom[cell] = -INFINITY;
            grid.everyCellBounded = false;
        }
    }
    if (!grid.everyCellBounded) {
        grid.top = infinity;
        grid.bottom = -infinity;
    }
}

// How far a hit reported for the face can lie from the face's triangle
// (infinity when that cannot be bounded); scale is the size of the numbers
// the line test works with.
double ShadowTracer::faceSlack(const Sector& sector, int face, double scale) {
    const SectorFace& f = sector.faces[size_t(face)];
    const Vector3& p0 = sector.positions[f.vertex[0]];
    const Vector3& p1 = sector.positions[f.vertex[1]];
    const Vector3& p2 = sector.positions[f.vertex[2]];
    double e1[3] = {double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z};
    double e2[3] = {double(p2.x) - p0.x, double(p2.y) - p0.y, double(p2.z) - p0.z};
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                   e1[0] * e2[1] - e1[1] * e2[0]};
    double basis[9] = {e1[0], e2[0], n[0], e1[1], e2[1], n[1], e1[2], e2[2], n[2]};
    double inverse[9];
    for (int i = 0; i < 9; ++i)
        inverse[i] = f.basisInverse.m[i];
    // How far inverse * basis is from the identity.
    double error[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            error[3 * r + c] = inverse[3 * r] * basis[c] + inverse[3 * r + 1] * basis[3 + c] +
                               inverse[3 * r + 2] * basis[6 + c] - (r == c ? 1.0 : 0.0);
    double inverseError = frobenius(error);
    double normalLength = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    double steepness = normalLength / std::fabs(n[1]);
    double factor = 1.0 + steepness + frobenius(inverse) * frobenius(basis);
    if (!(inverseError < 0.25) || !(factor <= worstPrunableFactor))
        return infinity;
    // The stored inverse describes a triangle whose corners lie within about
    // |basis| * error of the real ones.
    return 2.0 * frobenius(basis) * inverseError + lineSlack * factor * scale;
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
    q.rayX.set(q.a.x, double(q.b.x) - q.a.x);
    q.rayZ.set(q.a.y, double(q.b.y) - q.a.y);
    q.lineX.set(point.x, sun_.x);
    q.lineZ.set(point.z, sun_.z);
    q.ly = sun_.y;
    q.y0 = point.y;
    double length = std::sqrt(q.rayX.dir * q.rayX.dir + q.rayZ.dir * q.rayZ.dir);
    q.sideLimit = nearDistance_ * length;
    q.endLimit = length * length + q.sideLimit;
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
    Ladder columns(columnMin_.data(), columnMax_.data(), across);
    Ladder rows(rowMin_.data(), rowMax_.data(), down);
    return walkBoxes(
        q, nearDistance_, columns, rows, globalReach_, globalBottom_, globalTop_,
        [&](int i, int j, double, double) { return searchSector(j * across + i, q, scratch); });
}

bool ShadowTracer::searchSector(int sectorIndex, const LineQuery& q, Scratch& scratch) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    const CellGrid& grid = grids_[sectorIndex];
    if (grid.cellColumns == 0)
        return false;
    if (grid.everyCellBounded && lineMissesBox(q, grid.minX, grid.maxX, grid.minZ, grid.maxZ,
                                               grid.reach, grid.bottom, grid.top))
        return false;
    const Ladder& columns = grid.columnLadder;
    const Ladder& rows = grid.rowLadder;
    if (sector.faceCount > candidateCapacity) {
        if (!reachedBy(sector, q.a, q.b, q.point))
            return false;
        // Only the first faces crossed (by index) count; when the ray may
        // cross more than that here, they are found the exact way.
        int candidates = 0;
        walkBoxes(q, nearDistance_, columns, rows, infinity, -infinity, infinity,
                  [&](int, int, double, double) {
                      candidates += 2;
                      return candidates > candidateCapacity;
                  });
        if (candidates > candidateCapacity)
            return searchCappedSector(sectorIndex, q, scratch);
    }
    // Fewer candidates than the limit: every crossed face counts, in any order.
    // Whether the ray reaches the sector at all is only asked once a face
    // blocks: when it does not, no face of the sector counts.
    bool found =
        walkBoxes(q, nearDistance_, columns, rows, grid.reach, grid.bottom, grid.top,
                  [&](int c, int r, double t0, double t1) {
                      int cell = r * grid.cellColumns + c;
                      float top = grid.cellTop[cell];
                      if (top != INFINITY && missesHeights(q, t0, t1, grid.cellBottom[cell], top))
                          return false;
                      return cellBlocks(sector, grid, c, r, q);
                  });
    return found && reachedBy(sector, q.a, q.b, q.point);
}

// The two faces of cell (c, r), each decided exactly; faces the ray clearly
// passes beside (all corners farther than the crossing tolerance on one side
// of it) and faces with a corner at the point are left out first.
bool ShadowTracer::cellBlocks(const Sector& sector, const CellGrid& grid, int c, int r,
                              const LineQuery& q) const {
    const double cornerReach = 0.002; // beyond nearlyEquals' 0.001 per component
    bool nearPoint = q.point.x >= grid.columnMin[c] - cornerReach &&
                     q.point.x <= grid.columnMax[c + 1] + cornerReach &&
                     q.point.z >= grid.rowMin[r] - cornerReach &&
                     q.point.z <= grid.rowMax[r + 1] + cornerReach;
    // The cell's corners (the grid is checked to make its faces this way).
    const size_t here = size_t(r) * sector.columns + c;
    const Vector3& corner = sector.positions[here];
    const Vector3& right = sector.positions[here + 1];
    const Vector3& below = sector.positions[here + sector.columns];
    const Vector3& diagonal = sector.positions[here + sector.columns + 1];
    const double sideCorner = q.side(corner), sideRight = q.side(right);
    const double sideBelow = q.side(below), sideDiagonal = q.side(diagonal);
    const double alongCorner = q.along(corner), alongRight = q.along(right);
    const double alongBelow = q.along(below), alongDiagonal = q.along(diagonal);
    const int firstFace = 2 * (r * grid.cellColumns + c);
    for (int second = 0; second <= 1; ++second) {
        const Vector3& p0 = second ? diagonal : corner;
        double s0 = second ? sideDiagonal : sideCorner, a0 = second ? alongDiagonal : alongCorner;
        if ((s0 > q.sideLimit && sideRight > q.sideLimit && sideBelow > q.sideLimit) ||
            (s0 < -q.sideLimit && sideRight < -q.sideLimit && sideBelow < -q.sideLimit))
            continue; // wholly beside the ray
        if ((a0 < -q.sideLimit && alongRight < -q.sideLimit && alongBelow < -q.sideLimit) ||
            (a0 > q.endLimit && alongRight > q.endLimit && alongBelow > q.endLimit))
            continue; // wholly behind the ray's start or beyond its end
        if (nearPoint && (q.point.nearlyEquals(p0) || q.point.nearlyEquals(right) ||
                          q.point.nearlyEquals(below)))
            continue;
        // Both tests decide; the cheaper one first.
        const int f = firstFace + second;
        if (lineHitsTriangle(sector.faces[size_t(f)].basisInverse, q.point.minus(p0),
                             q.direction) &&
            crossesOutline(sector, f, q.a, q.b))
            return true;
    }
    return false;
}

bool ShadowTracer::searchCappedSector(int sectorIndex, const LineQuery& q, Scratch& scratch) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    const CellGrid& grid = grids_[sectorIndex];
    const Ladder& columns = grid.columnLadder;
    const Ladder& rows = grid.rowLadder;
    scratch.crossed.clear();
    walkBoxes(q, nearDistance_, columns, rows, infinity, -infinity, infinity,
              [&](int c, int r, double, double) {
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
    int vertexCount = verticesOf(sectorIndex);
    shadowed.assign(size_t(vertexCount), 0);
    shareWork(vertexCount, 8, [&](int begin, int end, int thread) {
        traceVertices(sectorIndex, begin, end, shadowed.data(), thread);
    });
}

int ShadowTracer::verticesOf(int sectorIndex) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    return int(std::min(size_t(std::max(sector.vertexCount, 0)), sector.positions.size()));
}

void ShadowTracer::traceVertices(int sectorIndex, int begin, int end, uint8_t* shadowed,
                                 int thread) const {
    const Sector& sector = landscape_.sectors[sectorIndex];
    Scratch& scratch = *scratch_[size_t(thread)];
    for (int v = begin; v < end; ++v) {
        LineQuery q = makeQuery(sector.positions[v]);
        bool blocked =
            cellSearch_ ? cellSearchShadowed(q, scratch) : bruteForceShadowed(q, scratch);
        shadowed[v] = blocked ? 1 : 0;
    }
}

// Whole sectors go to whichever thread claims them first; this thread also
// announces every sector in order before it claims it (or finds it taken), so
// the announcements keep their number and order whatever the other thread does.
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
    Work helperPart = [&](int, int, int thread) {
        for (int s = 0; s < sectorCount_; ++s)
            if (claim(s))
                traceWhole(s, thread);
    };
    bool shared = startHelper(helperPart, 1, 1);
    for (int s = 0; s < sectorCount_; ++s) {
        start(s);
        if (claim(s))
            traceWhole(s, 0);
    }
    if (shared)
        waitForHelper();
}

// Both threads take runs of indices until none are left; every index is
// handled by exactly one of them, so what they write never overlaps.
void ShadowTracer::shareWork(int count, int run, const Work& work) {
    if (count <= 0)
        return;
    bool shared = startHelper(work, count, run);
    takeRuns(work, count, run, 0);
    if (shared)
        waitForHelper();
}

// Hands the helper thread a job over `count` indices (taken `run` at a
// time, shared with this thread through nextIndex_); false when there is no
// helper thread.
bool ShadowTracer::startHelper(const Work& work, int count, int run) {
    nextIndex_.store(0);
    if (!helper_.joinable())
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &work;
        jobCount_ = count;
        jobRun_ = run;
        helperBusy_ = true;
        ++jobNumber_;
    }
    wake_.notify_one();
    return true;
}

void ShadowTracer::waitForHelper() {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return !helperBusy_; });
    job_ = nullptr;
}

void ShadowTracer::takeRuns(const Work& work, int count, int run, int thread) {
    for (;;) {
        int begin = nextIndex_.fetch_add(run);
        if (begin >= count)
            return;
        work(begin, std::min(begin + run, count), thread);
    }
}

void ShadowTracer::helperLoop() {
    uint64_t seen = 0;
    for (;;) {
        const Work* work;
        int count, run;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return quitting_ || jobNumber_ != seen; });
            if (quitting_)
                return;
            seen = jobNumber_;
            work = job_;
            count = jobCount_;
            run = jobRun_;
        }
        takeRuns(*work, count, run, 1);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            helperBusy_ = false;
        }
        finished_.notify_one();
    }
}
