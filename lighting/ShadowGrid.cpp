// The shadow tracer's grid: the cells of all sectors laid out as one nearly
// even grid of the whole map, and what is known about each cell before any
// line is traced: the heights within which a line can get a hit reported on
// its faces, how high a line may still be there and meet something further
// along the sun, the height bounds of square windows of cells, and the
// sectors where the limit of 1024 crossed faces may leave faces out. A
// terrain that is not such a grid is left to the face-by-face search.

#include "lighting/ShadowTracerRecords.h"

#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "lighting/ShadowBounds.h"

#include <atomic>
#include <cmath>
#include <new>

using namespace shadowtrace;

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
            sector.facesHeld() < size_t(sector.faceCount) || columns != top.columns ||
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
        const size_t first = size_t(2 * (r * (columns - 1) + c));
        const FaceCorners* f = &sector.corners[first];
        const Matrix3* bases = &sector.basisInverses[first];
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
            inverses_.make(2 * cell, bases[0]);
            inverses_.make(2 * cell + 1, bases[1]);
        }
        const double reach = std::max(faceReach(bases[0], *corner, right, below, span_),
                                      faceReach(bases[1], diagonal, right, below, span_)) *
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
    const double behind = 1.0 + std::floor(2.0 * w / std::min(cellSize_[0], cellSize_[1]));
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
