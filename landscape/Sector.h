#pragma once
// One square block of terrain: a regular grid of `columns` x `rows` vertices
// (vertex (c, r) at index r * columns + c) split into two triangles per cell
// along the diagonal from (c+1, r) to (c, r+1). Neighbouring sectors each carry
// their own copy of the shared border vertices. Every per-vertex and per-face
// array is packed, so drawing hands pointers straight to OpenGL and the map
// file writes them as single blocks. A Sector owns its arrays; the entity bucket
// only borrows the entities standing on it.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"
#include "geometry/Vector4.h"
#include "landscape/SectorFace.h"
#include "landscape/TerrainAllocator.h"

#include <cstdint>
#include <cstdio>

class Entity;
class Landscape;
class TextureTable;

class Sector {
  public:
    static const int bucketCapacity = 100;

    float minX = 0, minZ = 0, maxX = 0, maxZ = 0; // ground-plane bounds of the vertices
    float maxY = 0, minY = 0;                     // highest and lowest vertex height
    TerrainArray<Vector3> positions;              // vertexCount entries
    TerrainArray<Vector3> normals;                // vertexCount entries
    TerrainArray<Vector2> texCoords;              // base layer, vertexCount entries
    TerrainArray<Vector2> overlayTexCoords;       // overlay layer, vertexCount entries
    int32_t vertexCount = 0;                      // columns * rows
    float stepX = 0, stepZ = 0;                   // vertex spacing along x and z
    int32_t columns = 0, rows = 0;                // vertices along x and z
    TerrainArray<SectorFace> faces;               // faceCount entries
    int32_t faceCount = 0;                        // 2 * (columns - 1) * (rows - 1)
    TerrainArray<uint32_t> baseOrder;             // faces sorted by baseTexture
    TerrainArray<uint32_t> overlayOrder;          // faces sorted by overlayTexture
    Entity* entityBucket[bucketCapacity] = {};    // entities standing here (borrowed)
    int32_t entityCount = 0;                      // entries in use in entityBucket

    // Grid and copies
    void init(float x0, float z0, float x1, float z1, float stepX, float stepZ);
    void freeArrays();
    void copyTo(Sector& target) const;
    void setColours(float r, float g, float b);
    void setOverlayColours(float r, float g, float b, float a);
    void setBaseTexture(int32_t name);
    void setOverlayTexture(int32_t name);
    void texCoordsFromPositions();
    void copyTexCoordsToOverlay();
    void computeBounds();

    // Render list and drawing
    float sectorDistance(Vector3 cameraPosition) const;
    bool inFrontOf(Vector3 cameraPoint, Vector3 behindPoint) const;
    void draw(int mode) const;
    void drawEntities(Landscape& world) const;

    // Heightmap import
    void loadBump(const float* heights, int width, int height);
    void fillBlock(int vx, int vz, const float* heights, int px, int pz, int width, int height);

    // Finalize
    void finalize();
    void sortFaces();
    void computeNormals();
    void computeFaceBases();
    // finalize and computeFaceBases without their messages: each returns how
    // many faces could not be inverted, for the caller to report.
    int finalizeQuietly();
    int invertFaceBases();
    void stitchSeams(const Sector* right, const Sector* below);

    // Height query: the ground height at (x, z), or -999.9 outside the sector.
    float heightAt(float x, float z) const;

    // Map file
    void collectTextures(TextureTable& table) const;
    bool write(FILE* stream, const TextureTable& table);
    bool read(FILE* stream, const TextureTable& table);

    // Corner colours of one vertex (index columns * row + column) in every face
    // that uses it. op: 0 = set, 1 = add, 2 = subtract, 3 = multiply; others do nothing.
    void updateCornerColours(int column, int row, Vector3 value, int op);
    void updateCornerOverlayColours(int column, int row, Vector4 value, int op);
};
