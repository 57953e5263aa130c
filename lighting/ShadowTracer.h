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
// far too slow for a real map. The tracer gets the same answer, bit for bit,
// by visiting only the sectors and grid cells that lie near the ground ray and
// by leaving out cells the line passes far above or below; every face it does
// look at goes through exactly the same floating-point tests. The distances
// it calls "near" and "far" are generous bounds on the rounding error of those
// tests. A terrain that is not a regular grid of cells (or a sun direction that
// is not finite) is traced face by face.
//
// The tracer reads the Landscape as it stands when it is made and borrows it;
// the positions and face bases must not change while it lives. It uses a
// second thread when the machine has a second core; the answers do not depend
// on it.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class Landscape;
class Sector;

class ShadowTracer {
  public:
    static constexpr int candidateCapacity = 1024; // crossed faces looked at per sector and vertex
    // Length of the ground ray, in units of the sun direction's ground part.
    static constexpr float rayReach = 1000.0f;

    ShadowTracer(const Landscape& landscape, Vector3 sunDirection, int threadCount = 2);
    ~ShadowTracer();
    ShadowTracer(const ShadowTracer&) = delete;
    ShadowTracer& operator=(const ShadowTracer&) = delete;

    // shadowed[v] = 1 for every vertex v of sector sectorIndex whose sun line is
    // blocked, 0 otherwise; shadowed gets one entry per vertex that has a position.
    void traceSector(int sectorIndex, std::vector<uint8_t>& shadowed);

    // Traces every sector. start(s) is called on this thread for s = 0, 1, ...
    // in order, just before sector s is traced (or while the other thread
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
    struct CellGrid;  // per sector: column and row ranges and per cell height bounds
    struct Scratch;   // per thread: crossed-face list and answers of the sector at hand
    struct LineQuery; // one vertex's ray and line

    void build();
    bool validateGrid();
    void measureCells();
    void measureSector(int sectorIndex, double scale);
    static double faceSlack(const Sector& sector, int face, double scale);
    bool bruteForceShadowed(const LineQuery& q, Scratch& scratch) const;
    bool cellSearchShadowed(const LineQuery& q, Scratch& scratch) const;
    bool searchSector(int sectorIndex, const LineQuery& q, Scratch& scratch) const;
    bool cellBlocks(const Sector& sector, const CellGrid& grid, int c, int r,
                    const LineQuery& q) const;
    bool searchCappedSector(int sectorIndex, const LineQuery& q, Scratch& scratch) const;
    bool facesFromListBlock(int sectorIndex, const LineQuery& q, Scratch& scratch,
                            int crossedCount) const;
    LineQuery makeQuery(Vector3 point) const;

    int verticesOf(int sectorIndex) const;
    void traceVertices(int sectorIndex, int begin, int end, uint8_t* shadowed, int thread) const;

    using Work = std::function<void(int begin, int end, int thread)>;
    void shareWork(int count, int run, const Work& work);
    bool startHelper(const Work& work, int count, int run);
    void waitForHelper();
    void takeRuns(const Work& work, int count, int run, int thread);
    void helperLoop();

    const Landscape& landscape_;
    Vector3 sun_;         // the sun direction the answer is defined with
    int sectorCount_ = 0; // sectors searched
    bool cellSearch_ = false;

    // Sector grid: column i spans x [columnMin_[i], columnMax_[i]], row j spans z likewise.
    std::vector<double> columnMin_, columnMax_, rowMin_, rowMax_;
    std::vector<CellGrid> grids_;
    double nearDistance_ = 0; // ground distance within which a crossing may be reported
    double globalTop_ = 0;    // no line above this height can hit any face
    double globalBottom_ = 0; // nor any line below this one
    double globalReach_ = 0;  // widest cell margin of the whole map

    std::vector<Scratch*> scratch_; // one per thread

    // The second thread: it takes runs of the current job's indices from nextIndex_.
    std::thread helper_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    uint64_t jobNumber_ = 0; // increases with every job handed out
    bool helperBusy_ = false;
    bool quitting_ = false;
    const Work* job_ = nullptr;
    int jobCount_ = 0, jobRun_ = 1;
    std::atomic<int> nextIndex_{0};
};
