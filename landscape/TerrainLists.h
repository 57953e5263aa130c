#pragma once
// The terrain as recorded drawing: one CompiledList per sector holding both of
// its layers, recorded the first time the sector is drawn and replayed in every
// later frame, so a frame sends one call per sector instead of four per face
// corner. A list draws exactly what Sector::draw draws in GL_TRIANGLES mode:
// the same faces in the same order, the same binds and blending. Normals are
// not sent with the vertices, because the terrain is drawn with lighting off;
// the frame ends with the texture, colour, texture coordinate and normal that
// the immediate drawing would leave current, whichever sectors were left out.
//
// Within a texture run, a vertex whose corners all carry the same colour is
// sent once and referenced by index; a corner whose colour differs from the
// vertex's earlier corners gets a vertex of its own.
//
// A TerrainLists belongs to one Landscape and is never copied: a copy of the
// terrain records lists of its own. Whatever changes what a sector draws
// (heights, texture coordinates, textures, colours, draw orders) must be
// followed by invalidate(), which deletes every list; the next frame records
// the visible sectors afresh. Needs the GL context the lists were made in.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"
#include "image/CompiledList.h"
#include "landscape/DepthCover.h"
#include "landscape/ViewVolume.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class Sector;

class TerrainLists {
  public:
    TerrainLists() = default;
    TerrainLists(const TerrainLists&) = delete;
    TerrainLists& operator=(const TerrainLists&) = delete;

    // Draws the listed sectors in order (both layers, triangles), each from its
    // list, recording lists where there are none, and leaves current the state
    // the last of them would leave. A sector that would change no pixel is
    // left out (and not recorded): one whose vertices lie wholly outside the
    // current view volume, and, the list being nearest first, one behind what
    // the nearest third has put into the depth buffer (see DepthCover).
    void draw(const std::vector<Sector>& sectors, const int32_t* listed, int32_t count);
    // Deletes every list.
    void invalidate();
    // Lists recorded and not yet deleted.
    size_t liveCount() const;
    // Sectors the last draw() left out as covered by nearer ones.
    int32_t lastCoveredCount() const { return coveredCount; }

  private:
    struct Entry {
        CompiledList list;
        bool bounded = false; // box holds the bounds of the sector's vertices
        float box[6] = {};    // min x, y, z, max x, y, z
    };
    std::vector<Entry> entries; // by sector index; sized on first draw
    DepthCover cover;           // the depth buffer after the nearest third
    int32_t coveredCount = 0;   // sectors the last draw() left out as covered

    // Scratch of the recording, kept between recordings to spare allocations.
    std::vector<int32_t> slotOfVertex;  // first vertex slot of a sector vertex, or -1
    std::vector<int32_t> nextSlot;      // further slot of the same vertex, or -1
    std::vector<float> slotColours;     // 4 floats per slot (3 used in the base layer)
    std::vector<Vector3> slotPositions; // per slot
    std::vector<Vector2> slotTexCoords; // per slot
    std::vector<uint32_t> indices;      // 3 per face of the run
    std::vector<uint32_t> runFaces;     // faces of the run being gathered

    int32_t boundTexture = -1; // the texture the recording bound last

    const float* bounds(const Sector& sector, Entry& entry);
    void drawSector(const Sector& sector, Entry& entry);
    void leaveCurrentState(const std::vector<Sector>& sectors, const int32_t* listed,
                           int32_t count) const;
    template <typename Layer> bool leaveLastCorner(const Sector& sector, const Layer& layer) const;
    void record(const Sector& sector);
    template <typename Layer> void recordLayer(const Sector& sector, const Layer& layer);
    template <typename Layer> void recordRun(const Sector& sector, const Layer& layer);
};
