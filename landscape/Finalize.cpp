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
#include <cstring>
#include <vector>

namespace {

// Faces ordered ascending by texture name compared as unsigned 32-bit values
// (so -1, no texture, comes last), faces with equal names in descending index
// order. Each face becomes one 64-bit key, name above and the inverted index
// below, and one plain sort of the keys gives the order in n log n.
void sortByTexture(const SharedArray<FaceTextures>& textures, int32_t faceCount,
                   SharedArray<uint32_t>& order, std::vector<uint64_t>& keys,
                   int32_t FaceTextures::*texture) {
    keys.resize(size_t(faceCount));
    for (int32_t f = 0; f < faceCount; ++f) {
        uint64_t name = uint32_t(textures[f].*texture);
        keys[f] = name << 32 | uint32_t(0xFFFFFFFFu - uint32_t(f));
    }
    std::sort(keys.begin(), keys.end());
    auto sorted = [&](size_t k, uint32_t& face) { face = 0xFFFFFFFFu - uint32_t(keys[k]); };
    if (order.size() == size_t(faceCount)) {
        order.update(sorted);
        return;
    }
    uint32_t* out = order.overwrite(size_t(faceCount));
    for (size_t k = 0; k < size_t(faceCount); ++k)
        sorted(k, out[k]);
}

// Takes the normals of a grid's last row and column (columns x rows vertices,
// row by row) from the first row of the grid below and the first column of the
// grid to the right. Neighbours normally share the grid; with a different one
// only the vertices both have are taken over.
void stitchGrid(Vector3* normals, int columns, int rows, const Vector3* right, int rightColumns,
                int rightRows, const Vector3* below, int belowColumns) {
    if (below != nullptr && rows > 0) {
        int shared = std::min(columns, belowColumns);
        for (int c = 0; c < shared; ++c)
            normals[size_t(rows - 1) * columns + c] = below[c];
    }
    if (right != nullptr && columns > 0 && rightColumns > 0) {
        int shared = std::min(rows, rightRows);
        for (int r = 0; r < shared; ++r)
            normals[size_t(r) * columns + (columns - 1)] = right[size_t(r) * rightColumns];
    }
}

} // namespace

bool Sector::Derived::sortedFrom(const Sector& sector) const {
    return sortedTextures == sector.textures.version() && baseOrder == sector.baseOrder.version() &&
           overlayOrder == sector.overlayOrder.version();
}

// Skipped while the textures and both orders are what the last sort saw and made.
void Sector::sortFaces() {
    if (derived.sortedFrom(*this))
        return;
    std::vector<uint64_t> keys;
    sortByTexture(textures, faceCount, baseOrder, keys, &FaceTextures::baseTexture);
    sortByTexture(textures, faceCount, overlayOrder, keys, &FaceTextures::overlayTexture);
    baseOrder.shareIfEqual(overlayOrder);
    derived.sortedTextures = textures.version();
    derived.baseOrder = baseOrder.version();
    derived.overlayOrder = overlayOrder.version();
}

bool Sector::sortFacesLike(const Sector& other) {
    if (derived.sortedFrom(*this))
        return true;
    if (!textures.sharesBlockWith(other.textures) || faceCount != other.faceCount ||
        !other.derived.sortedFrom(other))
        return false;
    baseOrder = other.baseOrder;
    overlayOrder = other.overlayOrder;
    derived.sortedTextures = other.derived.sortedTextures;
    derived.baseOrder = other.derived.baseOrder;
    derived.overlayOrder = other.derived.overlayOrder;
    return true;
}

void Sector::computeNormalsInto(Vector3* out) const {
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
            out[size_t(r) * columns + c] = normal;
        }
    }
}

void Sector::computeNormals() {
    std::vector<Vector3> fresh(size_t(std::max(vertexCount, 0)));
    computeNormalsInto(fresh.data());
    normals.update([&](size_t v, Vector3& normal) {
        if (v < fresh.size())
            normal = fresh[v];
    });
}

// Skipped while the positions, corners and bases are what the last inversion
// saw and made; the count of singular faces is then the one it found.
int Sector::invertFaceBases() {
    if (derived.basesPositions == positions.version() &&
        derived.basesCorners == corners.version() && derived.bases == basisInverses.version())
        return derived.singularFaces;
    // Faces of one kind (first or second of a cell) on flat or evenly sloped
    // ground have the same edges, and the same bits give the same inverse:
    // the last inversion of each kind is reused when the edges match.
    struct Inversion {
        Vector3 edges[2];
        Matrix3 basis;
        bool singular = false;
        bool made = false;
    } last[2];
    int singular = 0;
    const size_t count = std::min(size_t(std::max(faceCount, 0)), corners.size());
    basisInverses.update([&](size_t f, Matrix3& basis) {
        if (f >= count)
            return;
        const FaceCorners& face = corners[f];
        Vector3 p0 = positions[face.vertex[0]];
        const Vector3 edges[2] = {positions[face.vertex[1]].minus(p0),
                                  positions[face.vertex[2]].minus(p0)};
        Inversion& previous = last[f % 2];
        if (!previous.made || std::memcmp(previous.edges, edges, sizeof edges) != 0) {
            const Vector3& e1 = edges[0];
            const Vector3& e2 = edges[1];
            Vector3 n = cross(e1, e2);
            previous.basis.setColumn(0, e1.x, e1.y, e1.z);
            previous.basis.setColumn(1, e2.x, e2.y, e2.z);
            previous.basis.setColumn(2, n.x, n.y, n.z);
            previous.singular = !previous.basis.invert();
            std::memcpy(previous.edges, edges, sizeof edges);
            previous.made = true;
        }
        basis = previous.basis;
        singular += previous.singular ? 1 : 0;
    });
    derived.basesPositions = positions.version();
    derived.basesCorners = corners.version();
    derived.bases = basisInverses.version();
    derived.singularFaces = singular;
    return singular;
}

void Sector::shareBasesIfEqual(Sector& other) const {
    const bool current = other.derived.bases == other.basisInverses.version();
    basisInverses.shareIfEqual(other.basisInverses);
    if (current)
        other.derived.bases = other.basisInverses.version();
}

static void reportSingularFaces(int count) {
    for (int i = 0; i < count; ++i)
        messageBox("Face index not invertable! (This should never happen)", "", MB_OK);
}

void Sector::computeFaceBases() {
    reportSingularFaces(invertFaceBases());
}

void Sector::stitchSeams(const Sector* right, const Sector* below) {
    if (normals.empty())
        return;
    stitchGrid(normals.write(), columns, rows, right != nullptr ? right->normals.data() : nullptr,
               right != nullptr ? right->columns : 0, right != nullptr ? right->rows : 0,
               below != nullptr ? below->normals.data() : nullptr,
               below != nullptr ? below->columns : 0);
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
// normals are computed afresh into one scratch array and stitched there, then
// written to the sectors whose normals really change, so a finalize that
// changes nothing writes nothing. The messages for singular faces are shown
// afterwards, in sector order, as one thread would have shown them.
void Landscape::finalize() {
    invalidateLists();
    const int32_t count =
        int32_t(std::min(sectors.size(), size_t(sectorCount > 0 ? sectorCount : 0)));
    std::vector<size_t> first(size_t(count) + 1, 0); // each sector's normals in the scratch
    for (int32_t s = 0; s < count; ++s)
        first[size_t(s) + 1] =
            first[size_t(s)] + size_t(std::max(sectors[size_t(s)].vertexCount, 0));
    std::vector<Vector3> fresh(first[size_t(count)]);
    std::vector<int> singular(size_t(count), 0);
    WorkerPool::shared().forEach(count, 4, [&](int begin, int end, int) {
        for (int32_t s = begin; s < end; ++s) {
            Sector& sector = sectors[size_t(s)];
            if (s == begin || !sector.sortFacesLike(sectors[size_t(s) - 1]))
                sector.sortFaces();
            if (sector.vertexCount <= 0)
                continue;
            sector.computeBounds();
            sector.computeNormalsInto(&fresh[first[size_t(s)]]);
            singular[size_t(s)] = sector.invertFaceBases();
            // Sectors of flat or evenly sloped ground end with the same bases.
            if (s > begin)
                sectors[size_t(s) - 1].shareBasesIfEqual(sector);
        }
    });
    for (int count : singular)
        reportSingularFaces(count);

    const bool grid = sectorsAcross > 0 && sectorsDown > 0 &&
                      size_t(count) >= size_t(sectorsAcross) * size_t(sectorsDown);
    if (grid) {
        auto at = [&](int i, int j) { return size_t(j) * sectorsAcross + i; };
        for (int j = 0; j < sectorsDown; ++j) {
            for (int i = 0; i < sectorsAcross; ++i) {
                const Sector& here = sectors[at(i, j)];
                const Sector* right = i + 1 < sectorsAcross ? &sectors[at(i + 1, j)] : nullptr;
                const Sector* below = j + 1 < sectorsDown ? &sectors[at(i, j + 1)] : nullptr;
                stitchGrid(&fresh[first[at(i, j)]], here.columns, here.rows,
                           right != nullptr ? &fresh[first[at(i + 1, j)]] : nullptr,
                           right != nullptr ? right->columns : 0,
                           right != nullptr ? right->rows : 0,
                           below != nullptr ? &fresh[first[at(i, j + 1)]] : nullptr,
                           below != nullptr ? below->columns : 0);
            }
        }
    }
    WorkerPool::shared().forEach(count, 16, [&](int begin, int end, int) {
        for (int32_t s = begin; s < end; ++s) {
            Sector& sector = sectors[size_t(s)];
            if (sector.vertexCount <= 0)
                continue;
            const Vector3* normals = &fresh[first[size_t(s)]];
            const size_t vertices = first[size_t(s) + 1] - first[size_t(s)];
            sector.normals.update([&](size_t v, Vector3& normal) {
                if (v < vertices)
                    normal = normals[v];
            });
        }
    });
}
