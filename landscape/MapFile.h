#pragma once
// The map file: a finished terrain as a little-endian dump. A 52-byte map
// header, the texture section written by the TextureTable itself, then one
// record per sector in index order: a 16-byte sector header, positions,
// normals, both texture-coordinate arrays and the 140-byte face records, whose
// texture names are stored as indices into the file's texture section. Bounds,
// draw orders and entity buckets are not stored; finalize rebuilds them.
//
// Loading trusts nothing in the file: every count is checked against the grid
// it claims and against the bytes left in the file before anything is
// allocated, and a file that fails any check is refused as a whole (the
// Landscape is left without terrain). The structs below document the two
// headers; their bytes are produced field by field by BinaryWriter/BinaryReader.

#include "geometry/Vector3.h"

#include <cstdint>

const uint16_t mapFileVersion = 100; // the only version there is

struct MapHeader {
    uint16_t version;       // always mapFileVersion
    uint16_t sectorsAcross; // sectors along x
    uint16_t sectorsDown;   // sectors along z
    uint16_t padding;       // written as zero, ignored when read
    float sectorSizeX;      // world units per sector along x
    float sectorSizeZ;      // world units per sector along z
    float fogEnd;           // view distance
    float fogDepth;         // length of the fog ramp
    float waterLevel;       // height of the ocean surface
    Vector3 fogColour;      // fog and clear colour
    Vector3 sunDirection;   // unit vector towards the sun
};
static_assert(sizeof(MapHeader) == 52, "MapHeader is the 52-byte file header");

struct SectorHeader {
    uint16_t vertexCount; // columns * rows
    uint16_t faceCount;   // 2 * (columns - 1) * (rows - 1)
    float stepX;          // vertex spacing along x
    float stepZ;          // vertex spacing along z
    uint16_t columns;     // vertices along x
    uint16_t rows;        // vertices along z
};
static_assert(sizeof(SectorHeader) == 16, "SectorHeader is the 16-byte sector header");

// Bytes of one sector record for a grid, and the smallest record there can be
// (one vertex, no face): used to reject grids the file cannot hold.
const uint64_t vertexRecordBytes = 12 + 12 + 8 + 8; // position, normal, two texture coordinates
const uint64_t faceRecordBytes = 140;
const uint64_t smallestSectorRecord = sizeof(SectorHeader) + vertexRecordBytes;
