#pragma once
// One square block of terrain: a regular grid of `columns` x `rows` vertices
// (vertex (c, r) at index r * columns + c) split into two triangles per cell
// along the diagonal from (c+1, r) to (c, r+1). Neighbouring sectors each carry
// their own copy of the shared border vertices. Every per-vertex and per-face
// array is packed, so drawing hands pointers straight to OpenGL and the map
// file writes them as single blocks.
//
// The arrays are SharedArrays: a copy of a sector (the undo ring's snapshot)
// shares them, and whichever copy writes one first gets its own. The faces are
// held as their parts (see SectorFace.h), one array each, because the steps of
// the map builder change only some parts: heights, textures, light or
// coverage. Where two arrays of a sector hold the same values (the overlay's
// texture coordinates or RGB and the base layer's, after a new map or the
// light), they may share one block. The entity bucket only borrows the
// entities standing on the sector.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"
#include "geometry/Vector4.h"
#include "landscape/SectorFace.h"
#include "landscape/SharedArray.h"

#include <cstdint>
#include <cstdio>

class BinaryReader;
class Entity;
class Landscape;
class TextureTable;

class Sector {
  public:
    static const int bucketCapacity = 100;

    float minX = 0, minZ = 0, maxX = 0, maxZ = 0; // ground-plane bounds of the vertices
    float maxY = 0, minY = 0;                     // highest and lowest vertex height
    SharedArray<Vector3> positions;               // vertexCount entries
    SharedArray<Vector3> normals;                 // vertexCount entries
    SharedArray<Vector2> texCoords;               // base layer, vertexCount entries
    SharedArray<Vector2> overlayTexCoords;        // overlay layer, vertexCount entries
    int32_t vertexCount = 0;                      // columns * rows
    float stepX = 0, stepZ = 0;                   // vertex spacing along x and z
    int32_t columns = 0, rows = 0;                // vertices along x and z
    // The faces, faceCount entries in every part.
    SharedArray<FaceColours> colours;          // base layer RGB of each corner: the baked light
    SharedArray<FaceColours> overlayColours;   // overlay layer RGB of each corner
    SharedArray<FaceAlphas> overlayAlphas;     // overlay layer alpha (coverage) of each corner
    SharedArray<FaceTextures> textures;        // texture names of both layers
    SharedArray<FaceCorners> corners;          // corner indices into the vertex arrays
    SharedArray<Matrix3> basisInverses;        // inverse of (edge1, edge2, edge1 x edge2)
    int32_t faceCount = 0;                     // 2 * (columns - 1) * (rows - 1)
    SharedArray<uint32_t> baseOrder;           // faces sorted by baseTexture
    SharedArray<uint32_t> overlayOrder;        // faces sorted by overlayTexture
    Entity* entityBucket[bucketCapacity] = {}; // entities standing here (borrowed)
    int32_t entityCount = 0;                   // entries in use in entityBucket

    // What finalize derived last, named by the versions of the arrays it read
    // and wrote: while they are unchanged the derived arrays are up to date
    // and finalize leaves them alone. Copied with the sector, like the arrays.
    struct Derived {
        uint64_t sortedTextures = 0; // textures the draw orders were sorted by
        uint64_t baseOrder = 0;      // baseOrder as sorted
        uint64_t overlayOrder = 0;   // overlayOrder as sorted
        uint64_t basesPositions = 0; // positions the face bases were inverted from
        uint64_t basesCorners = 0;   // corners they were inverted with
        uint64_t bases = 0;          // basisInverses as inverted
        int32_t singularFaces = 0;   // faces whose basis could not be inverted then

        bool sortedFrom(const Sector& sector) const; // the draw orders are up to date
    } derived;

    // The map file's record of face f, assembled from the parts.
    SectorFace face(int32_t f) const;
    // Faces every part of the face arrays holds.
    size_t facesHeld() const;

    // Grid and copies
    // sameGrid: a sector just built by init with the same grid and not changed
    // since, whose faces and normals this one shares instead of building its own.
    void init(float x0, float z0, float x1, float z1, float stepX, float stepZ,
              const Sector* sameGrid = nullptr);
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
    // Takes other's draw orders, as sorting would give them, when both hold
    // one textures block; false when they do not (then sortFaces is needed).
    bool sortFacesLike(const Sector& other);
    void computeNormals();
    // The normals computeNormals gives, written to out (vertexCount entries).
    void computeNormalsInto(Vector3* out) const;
    void computeFaceBases();
    // finalize and computeFaceBases without their messages: each returns how
    // many faces could not be inverted, for the caller to report.
    int finalizeQuietly();
    int invertFaceBases();
    // Makes other hold this sector's bases when both inverted the same
    // values from their current positions.
    void shareBasesIfEqual(Sector& other) const;
    void stitchSeams(const Sector* right, const Sector* below);

    // Height query: the ground height at (x, z), or -999.9 outside the sector.
    float heightAt(float x, float z) const;

    // Map file
    void collectTextures(TextureTable& table) const;
    bool write(FILE* stream, const TextureTable& table) const;
    bool read(FILE* stream, const TextureTable& table);
    bool readFaces(BinaryReader& in, const TextureTable& table);

    // Corner colours of one vertex (index columns * row + column) in every face
    // that uses it. op: 0 = set, 1 = add, 2 = subtract, 3 = multiply; others do nothing.
    void updateCornerColours(int column, int row, Vector3 value, int op);
    void updateCornerOverlayColours(int column, int row, Vector4 value, int op);
};
