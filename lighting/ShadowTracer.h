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
#include <mutex>
#include <thread>
#include <vector>

class Landscape;
class Sector;

class ShadowTracer {
  public:
    static constexpr int candidateCapacity = 1024; // crossed faces looked at per sector and vertex
    static constexpr float rayReach =
        1000.0f; // ground ray length in units of the sun's ground part

    ShadowTracer(const Landscape& landscape, Vector3 sunDirection, int threadCount = 2);
    ~ShadowTracer();
    ShadowTracer(const ShadowTracer&) = delete;
    ShadowTracer& operator=(const ShadowTracer&) = delete;

    // shadowed[v] = 1 for every vertex v of sector sectorIndex whose sun line is
    // blocked, 0 otherwise; shadowed gets one entry per vertex that has a position.
    void traceSector(int sectorIndex, std::vector<uint8_t>& shadowed);

    // The answer for one point (normally a vertex position).
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
    struct Scratch;   // per thread: crossed faces of a sector with many of them
    struct LineQuery; // one vertex's ray and line

    void build();
    bool validateGrid();
    void measureCells();
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

    void traceRange(int sectorIndex, uint8_t* shadowed, int vertexCount, int threadIndex);
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

    // The second thread: it takes vertices of the current sector from nextVertex_.
    std::thread helper_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    uint64_t jobNumber_ = 0; // increases with every sector handed out
    bool helperBusy_ = false;
    bool quitting_ = false;
    int jobSector_ = 0;
    uint8_t* jobShadowed_ = nullptr;
    int jobVertexCount_ = 0;
    std::atomic<int> nextVertex_{0};
};
