#pragma once
// Answers, for every vertex of a finalised terrain, whether the line from the
// vertex towards the sun passes through another terrain triangle. The answer
// is defined by three exact tests on each face: the finite ground ray from the
// vertex (1000 times the sun's ground direction) must cross the face's outline
// (edge g0->g1, else g1->g2, endpoints of the edge not counting), the vertex
// must not sit on one of the face's corners, and the whole 3D line must pass
// through the face's triangle as its stored basis inverse sees it. Sectors are
// only searched when the ground ray reaches their rectangle, and at most the
// first 1024 crossed faces of one sector (by face index) are looked at.
//
// Testing every face of every sector for every vertex gives that answer but is
// far too slow for a real map. The tracer gets the same answer, bit for bit.
// All vertex rays are parallel, so it works out once which cells of the map's
// (nearly even) grid lie near a ray from a grid vertex, in the order the line
// reaches them, and walks that pattern from each vertex, passing whole 4 x 4
// and 16 x 16 windows of cells the line stays above or below, and stopping
// once the line has risen (or sunk) past what lies ahead. Before walking, the
// face that blocked the neighbouring vertex shows where this vertex's line
// most likely meets the ground; that guess is tested first. Every face that
// decides an answer goes through exactly the same floating-point tests; what
// is left out is left out by bounds on the rounding of those tests and on
// how far each face's stored basis inverse is from its corners. A terrain that
// is not a regular grid of cells (or a sun direction that is not finite) is
// traced face by face.
//
// The tracer reads the Landscape as it stands when it is made and borrows it;
// the positions and face bases must not change while it lives. It shares its
// work between the threads of a WorkerPool (by default the shared one, every
// core); the answers do not depend on how many there are.
//
// Its parts: ShadowBounds.h (the rounding bounds everything left out relies
// on), ShadowGrid.cpp (the grid and what is known about each cell),
// ShadowWalk.cpp (walk patterns and walks), ShadowCells.cpp (deciding one
// cell), ShadowTracer.cpp (the exact tests and sharing the work), and the
// records they share in ShadowTracerRecords.h.

#include "geometry/Matrix3.h"
#include "geometry/Vector2.h"
#include "geometry/Vector3.h"
#include "landscape/TerrainPool.h"
#include "platform/WorkerPool.h"

#include <cstdint>
#include <functional>
#include <new>
#include <type_traits>
#include <vector>

class Landscape;
class Sector;

class ShadowTracer {
  public:
    static constexpr int candidateCapacity = 1024; // crossed faces looked at per sector and vertex
    // Length of the ground ray, in units of the sun direction's ground part.
    static constexpr float rayReach = 1000.0f;

    ShadowTracer(const Landscape& landscape, Vector3 sunDirection,
                 WorkerPool& pool = WorkerPool::shared());
    ~ShadowTracer();
    ShadowTracer(const ShadowTracer&) = delete;
    ShadowTracer& operator=(const ShadowTracer&) = delete;

    // shadowed[v] = 1 for every vertex v of sector sectorIndex whose sun line is
    // blocked, 0 otherwise; shadowed gets one entry per vertex that has a position.
    void traceSector(int sectorIndex, std::vector<uint8_t>& shadowed);

    // Traces every sector. start(s) is called on this thread for s = 0, 1, ...
    // in order, just before sector s is traced (or while another thread
    // traces it); done(s, shadowed) is called once per sector, on the thread
    // that traced it, and must only touch that sector.
    using SectorStart = std::function<void(int sector)>;
    using SectorDone = std::function<void(int sector, const std::vector<uint8_t>& shadowed)>;
    void traceAll(const SectorStart& start, const SectorDone& done);

    // The answer for one point (normally a vertex position); not to be called
    // while traceSector or traceAll runs.
    bool isShadowed(Vector3 point);

    // True when the fast search is in use (a regular grid and a finite sun).
    bool usesCellSearch() const { return cellSearch_; }

    // The tests that decide a face, exactly as the answer is defined.
    static bool reachedBy(const Sector& sector, Vector2 a, Vector2 b, Vector3 point);
    static bool crossesOutline(const Sector& sector, int face, Vector2 a, Vector2 b);
    static bool touchesCorner(const Sector& sector, int face, Vector3 point);
    static bool faceBlocks(const Sector& sector, int face, Vector3 point, Vector3 direction);

  private:
    struct CellBounds;   // per cell: where hits can lie, and what lies ahead of it
    struct WindowBounds; // height bounds of a square of cells
    struct Step;         // one cell of a walk pattern
    struct Walk;         // a walk pattern placed at one point
    struct Witness;      // a face that blocked some point's line
    struct Scratch;      // per thread: crossed-face list, settled sectors, answers
    struct LineQuery;    // one point's ray and line

    // An array in the terrain pool whose elements are made when they are
    // first written: fresh memory is then first touched by whichever thread
    // fills it, and only once. Only for types with nothing to destroy.
    template <class T> class PoolArray {
      public:
        PoolArray() = default;
        PoolArray(const PoolArray&) = delete;
        PoolArray& operator=(const PoolArray&) = delete;
        ~PoolArray() { release(); }
        void allocate(size_t count) {
            static_assert(std::is_trivially_destructible<T>::value, "nothing to destroy");
            release();
            data_ = static_cast<T*>(terrainAllocate(count * sizeof(T)));
            count_ = count;
        }
        void release() {
            if (data_ != nullptr)
                terrainFree(data_, count_ * sizeof(T));
            data_ = nullptr;
            count_ = 0;
        }
        void make(size_t i, const T& value) { new (data_ + i) T(value); }
        size_t size() const { return count_; }
        T* data() { return data_; }
        T& operator[](size_t i) { return data_[i]; }
        const T& operator[](size_t i) const { return data_[i]; }

      private:
        T* data_ = nullptr;
        size_t count_ = 0; // elements
    };

    // Preparation.
    void build();
    bool layOutGrid();
    bool measurePositions();
    bool fitUniformGrid();
    bool measureCells();
    bool measureCellRow(int row);
    double extraLength(double reach) const;
    void boundWhatLiesAhead();
    void measureWindows();
    void markCappedSectors();
    void buildSteps(std::vector<Step>& steps, double widenX, double widenZ, bool fromVertex) const;

    // Search.
    LineQuery makeQuery(Vector3 point) const;
    bool shadowedAt(const LineQuery& q, Scratch& scratch, const Walk& walk) const;
    bool vertexWalkBlocked(const LineQuery& q, Scratch& scratch, const Walk& walk) const;
    size_t passableRun(const LineQuery& q, const Walk& walk, const Step& step, int level,
                       double height) const;
    bool pointWalkBlocked(const LineQuery& q, Scratch& scratch, const Walk& walk) const;
    bool bruteForceShadowed(const LineQuery& q) const;
    bool cellBlocks(const LineQuery& q, Scratch& scratch, const Walk& walk, int column, int row,
                    double t0, double t1, bool nearPoint, int faces) const;
    int sectorOf(int column, int row) const {
        return cellSector_[1][row] * sectorsAcross_ + cellSector_[0][column];
    }
    void cornersOf(int column, int row, int k, const Vector3* (&corner)[3]) const;
    const Matrix3& inverseOf(int column, int row, int k) const;
    bool faceAlongLine(const LineQuery& q, int& column, int& row, int& k) const;
    bool guessedWitnessBlocks(const LineQuery& q, Witness& guess) const;
    bool cappedSectorBlocks(int sectorIndex, const LineQuery& q, Scratch& scratch,
                            const Walk& walk) const;

    // Sectors and threads.
    int verticesOf(int sectorIndex) const;
    void traceVertices(int sectorIndex, int begin, int end, uint8_t* shadowed, int thread) const;

    const Landscape& landscape_;
    Vector3 sun_;                   // the sun direction the answer is defined with
    double sunInverse_[2] = {0, 0}; // 1 / sun.x and 1 / sun.z; 0 where those are 0
    int sectorCount_ = 0;           // sectors searched
    int sectorsAcross_ = 0;         // the Landscape's sector columns
    bool cellSearch_ = false;

    // The cells of all sectors as one grid: global cell column X lies in sector
    // column cellSector_[0][X] as that sector's cell column cellLocal_[0][X],
    // and spans x from cellLo_[0][X] to cellHi_[0][X]; index 1 holds the same
    // for rows and z.
    int cellsAcross_ = 0, cellsDown_ = 0;
    std::vector<int> cellSector_[2], cellLocal_[2];
    std::vector<double> cellLo_[2], cellHi_[2];
    std::vector<double> vertexLo_[2], vertexHi_[2]; // range of each global vertex column (row)
    std::vector<int> firstCell_[2]; // first global cell column (row) of each sector column (row)
    PoolArray<CellBounds> cells_;   // row by row
    PoolArray<Matrix3> inverses_;   // the faces' stored basis inverses, two per cell
    bool copiedInverses_ = false;   // inverses_ is in use (the map is small enough)
    // Per window size (largest first), per cell: bounds of the window of cells
    // that starts there.
    PoolArray<WindowBounds> windows_[2];
    std::vector<uint8_t> capped_;      // per sector: the candidate limit may leave faces out
    float mapBottom_ = 0, mapTop_ = 0; // no hit anywhere is reported below or above these

    // The grid is nearly even: vertex column V lies within gridSlack_ of
    // gridOrigin_[0] + V * cellSize_[0], and likewise for rows.
    double gridOrigin_[2] = {0, 0}, cellSize_[2] = {0, 0};
    double cellsPerUnit_[2] = {0, 0}; // 1 / cellSize_
    double gridSlack_ = 0;
    bool cornersApart_ = false; // no two grid places are within 0.002 along both x and z

    // Walk patterns: the cells near the sun line from a grid vertex, and
    // (wider) from any point of a cell, in the order the line reaches them.
    std::vector<Step> vertexSteps_, pointSteps_;
    bool pointStepsBuilt_ = false; // pointSteps_ are made on the first isShadowed
    double terminationMargin_ = 0; // see vertexWalkBlocked

    double mapMin_[3] = {0, 0, 0}, mapMax_[3] = {0, 0, 0};     // bounds of the vertices
    double queryMin_[3] = {0, 0, 0}, queryMax_[3] = {0, 0, 0}; // points searched by cells
    double coordinateMax_ = 0; // largest coordinate of any point searched by cells
    double span_ = 0;          // farthest such a point can be from any vertex
    double nearDistance_ = 0;  // ground distance within which a crossing may be reported
    double walkWidth_ = 0;     // how far beside a cell the line is still looked at
    double deviationCap_ = 0;  // rays that stray farther from the line are traced face by face
    double steepest_ = 0;      // 1 / the smaller nonzero of |sun.x| and |sun.z|

    WorkerPool& pool_;
    std::vector<Scratch*> scratch_; // one per thread of the pool
};
