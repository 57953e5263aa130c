// The shadow tracer's exact tests, its making, and the driver that shares the
// tracing of sectors and vertices between the threads of its pool. Sectors go
// whole to whichever thread claims them; inside a sector the vertices run
// along the rows, each starting from the face that blocked its neighbour.
// Which thread traces what never changes an answer.

#include "lighting/ShadowTracerRecords.h"

#include "landscape/Landscape.h"
#include "landscape/Sector.h"
#include "lighting/ShadowBounds.h"

#include <atomic>
#include <memory>

using namespace shadowtrace;

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
    const FaceCorners& f = sector.corners[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false; // a face with a corner that does not exist has no outline
    return outlineCrossed(sector.positions[f.vertex[0]], sector.positions[f.vertex[1]],
                          sector.positions[f.vertex[2]], a, b);
}

bool ShadowTracer::touchesCorner(const Sector& sector, int face, Vector3 point) {
    const FaceCorners& f = sector.corners[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false;
    return point.nearlyEquals(sector.positions[f.vertex[0]]) ||
           point.nearlyEquals(sector.positions[f.vertex[1]]) ||
           point.nearlyEquals(sector.positions[f.vertex[2]]);
}

bool ShadowTracer::faceBlocks(const Sector& sector, int face, Vector3 point, Vector3 direction) {
    const FaceCorners& f = sector.corners[size_t(face)];
    size_t vertexCount = sector.positions.size();
    if (f.vertex[0] >= vertexCount || f.vertex[1] >= vertexCount || f.vertex[2] >= vertexCount)
        return false;
    // The faces around the point itself would always be hit.
    if (touchesCorner(sector, face, point))
        return false;
    const Vector3& p0 = sector.positions[f.vertex[0]];
    return lineHitsTriangle(sector.basisInverses[size_t(face)], point.minus(p0), direction);
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
        mostFaces = std::max(mostFaces, landscape_.sectors[s].facesHeld());
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
