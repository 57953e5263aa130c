// Finalize: brings a terrain's derived data up to date after its vertices or
// textures changed. Per sector: the draw orders of both layers (faces grouped
// by texture), the bounds, the vertex normals and every face's inverse edge
// basis; then the normals along each sector border are taken from the
// neighbour so that lighting shows no seams. Running it twice gives the same
// result as running it once.

#include "landscape/Landscape.h"
#include "landscape/Sector.h"

#include "geometry/Matrix3.h"
#include "platform/MessageBox.h"
#include "platform/WorkerPool.h"

#include <algorithm>
#include <vector>

namespace {

// Faces ordered ascending by texture name compared as unsigned 32-bit values
// (so -1, no texture, comes last), faces with equal names in descending index
// order. Each face becomes one 64-bit key, name above and the inverted index
// below, and one plain sort of the keys gives the order in n log n.
void sortByTexture(const TerrainArray<SectorFace>& faces, int32_t faceCount,
                   TerrainArray<uint32_t>& order, std::vector<uint64_t>& keys,
                   int32_t SectorFace::*texture) {
    keys.resize(size_t(faceCount));
    for (int32_t f = 0; f < faceCount; ++f) {
        uint64_t name = uint32_t(faces[f].*texture);
        keys[f] = name << 32 | uint32_t(0xFFFFFFFFu - uint32_t(f));
    }
    std::sort(keys.begin(), keys.end());
    order.resize(size_t(faceCount));
    for (int32_t k = 0; k < faceCount; ++k)
        order[k] = 0xFFFFFFFFu - uint32_t(keys[k]);
}

} // namespace

void Sector::sortFaces() {
    std::vector<uint64_t> keys;
    sortByTexture(faces, faceCount, baseOrder, keys, &SectorFace::baseTexture);
    sortByTexture(faces, faceCount, overlayOrder, keys, &SectorFace::overlayTexture);
}

void Sector::computeNormals() {
    for (int r = 0; r < rows; ++r) {
        int rNext = r + 1 < rows ? r + 1 : r;
        int rPrev = r > 0 ? r - 1 : r;
        for (int c = 0; c < columns; ++c) {
            int cNext = c + 1 < columns ? c + 1 : c;
            int cPrev = c > 0 ? c - 1 : c;
            // Differences on a grid of spacing 1 whatever the real spacing;
            // one-sided at the edges and still halved.
            float dx = (positions[size_t(r) * columns + cNext].y -
                        positions[size_t(r) * columns + cPrev].y) *
                       0.5f;
            float dz = (positions[size_t(rNext) * columns + c].y -
                        positions[size_t(rPrev) * columns + c].y) *
                       0.5f;
            Vector3 normal(-dx, 1.0f, -dz);
            normal.normalize();
            normals[size_t(r) * columns + c] = normal;
        }
    }
}

int Sector::invertFaceBases() {
    int singular = 0;
    for (int32_t f = 0; f < faceCount; ++f) {
        SectorFace& face = faces[f];
        Vector3 p0 = positions[face.vertex[0]];
        Vector3 e1 = positions[face.vertex[1]].minus(p0);
        Vector3 e2 = positions[face.vertex[2]].minus(p0);
        Vector3 n = cross(e1, e2);
        face.basisInverse.setColumn(0, e1.x, e1.y, e1.z);
        face.basisInverse.setColumn(1, e2.x, e2.y, e2.z);
        face.basisInverse.setColumn(2, n.x, n.y, n.z);
        if (!face.basisInverse.invert())
            ++singular;
    }
    return singular;
}

static void reportSingularFaces(int count) {
    for (int i = 0; i < count; ++i)
        messageBox("Face index not invertable! (This should never happen)", "", MB_OK);
}

void Sector::computeFaceBases() {
    reportSingularFaces(invertFaceBases());
}

void Sector::stitchSeams(const Sector* right, const Sector* below) {
    // Neighbours normally share this sector's grid; with a different one only
    // the vertices both have are taken over.
    if (below != nullptr && rows > 0) {
        int shared = std::min(columns, below->columns);
        for (int c = 0; c < shared; ++c)
            normals[size_t(rows - 1) * columns + c] = below->normals[c];
    }
    if (right != nullptr && columns > 0 && right->columns > 0) {
        int shared = std::min(rows, right->rows);
        for (int r = 0; r < shared; ++r)
            normals[size_t(r) * columns + (columns - 1)] =
                right->normals[size_t(r) * right->columns];
    }
}

int Sector::finalizeQuietly() {
    sortFaces();
    if (vertexCount <= 0)
        return 0;
    computeBounds();
    computeNormals();
    return invertFaceBases();
}

void Sector::finalize() {
    reportSingularFaces(finalizeQuietly());
}

// Sectors are finalized independently of each other, so the work is shared
// between the cores; what each sector gets does not depend on who did it. The
// messages for singular faces are shown afterwards, in sector order, as one
// thread would have shown them.
void Landscape::finalize() {
    invalidateLists();
    int32_t count = int32_t(std::min(sectors.size(), size_t(sectorCount > 0 ? sectorCount : 0)));
    std::vector<int> singular(size_t(count), 0);
    WorkerPool::shared().forEach(count, 4, [&](int begin, int end, int) {
        for (int32_t s = begin; s < end; ++s)
            singular[size_t(s)] = sectors[size_t(s)].finalizeQuietly();
    });
    for (int count : singular)
        reportSingularFaces(count);

    if (sectorsAcross <= 0 || sectorsDown <= 0 ||
        sectors.size() < size_t(sectorsAcross) * size_t(sectorsDown))
        return;
    for (int j = 0; j < sectorsDown; ++j) {
        for (int i = 0; i < sectorsAcross; ++i) {
            const Sector* right = i + 1 < sectorsAcross ? &sectorAt(i + 1, j) : nullptr;
            const Sector* below = j + 1 < sectorsDown ? &sectorAt(i, j + 1) : nullptr;
            sectorAt(i, j).stitchSeams(right, below);
        }
    }
}
