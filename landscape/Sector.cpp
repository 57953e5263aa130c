// Building, copying and whole-sector updates of one terrain block: the vertex
// grid, its faces with their corner orders, and the per-face setters.

#include "landscape/Sector.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

// Arrays of a sector are sized by its grid; a grid whose counts cannot even be
// held fails as an allocation does, and ends the same way wherever it is caught.
[[noreturn]] static void sectorOutOfMemory() {
    throw std::bad_alloc();
}

// Vertices along one side of [a0, a1] for a spacing, truncated towards zero and
// computed in double so that a span of exactly n steps gives n + 1 vertices.
// Spans that hold no vertex (or a step that is not positive) give 0.
static int32_t vertexCountAlong(float a0, float a1, float step) {
    if (!(step > 0.0f))
        return 0;
    double count = (double(a1) - double(a0) + 0.001) / double(step) + 1.0;
    if (!(count >= 1.0))
        return 0;
    if (count > double(std::numeric_limits<int32_t>::max()))
        sectorOutOfMemory();
    return int32_t(count);
}

// The three corners of a face in one colour.
static FaceColours uniformColours(float r, float g, float b) {
    FaceColours colours;
    for (Vector3& corner : colours.corner)
        corner.set(r, g, b);
    return colours;
}

void Sector::init(float x0, float z0, float x1, float z1, float stepX_, float stepZ_,
                  const Sector* sameGrid) {
    int32_t newColumns = vertexCountAlong(x0, x1, stepX_);
    int32_t newRows = vertexCountAlong(z0, z1, stepZ_);
    if (newColumns == 0 || newRows == 0)
        newColumns = newRows = 0;
    int64_t newVertexCount = int64_t(newColumns) * newRows;
    int64_t newFaceCount =
        (newColumns < 2 || newRows < 2) ? 0 : 2 * int64_t(newColumns - 1) * (newRows - 1);
    if (newVertexCount > std::numeric_limits<int32_t>::max() ||
        newFaceCount > std::numeric_limits<int32_t>::max())
        sectorOutOfMemory();

    freeArrays();
    columns = newColumns;
    rows = newRows;
    stepX = stepX_;
    stepZ = stepZ_;
    vertexCount = int32_t(newVertexCount);
    faceCount = int32_t(newFaceCount);
    if (sameGrid != nullptr && (sameGrid->columns != columns || sameGrid->rows != rows ||
                                sameGrid->faceCount != faceCount))
        sameGrid = nullptr;

    Vector3* position = positions.overwrite(size_t(newVertexCount));
    Vector2* texCoord = texCoords.overwrite(size_t(newVertexCount));
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            size_t v = size_t(r) * columns + c;
            position[v].set(x0 + c * stepX, 0.0f, z0 + r * stepZ);
            texCoord[v].set(position[v].x, position[v].z);
        }
    }
    overlayTexCoords = texCoords;
    computeBounds();

    if (sameGrid != nullptr) {
        normals = sameGrid->normals;
        colours = sameGrid->colours;
        overlayColours = sameGrid->overlayColours;
        overlayAlphas = sameGrid->overlayAlphas;
        textures = sameGrid->textures;
        corners = sameGrid->corners;
        basisInverses = sameGrid->basisInverses;
        baseOrder = sameGrid->baseOrder;
        overlayOrder = sameGrid->overlayOrder;
        return;
    }
    normals.assign(size_t(newVertexCount), Vector3(0.0f, 1.0f, 0.0f));
    colours.assign(size_t(newFaceCount), uniformColours(1.0f, 1.0f, 1.0f));
    overlayColours = colours;
    overlayAlphas.assign(size_t(newFaceCount), FaceAlphas{{0.0f, 0.0f, 0.0f}});
    textures.assign(size_t(newFaceCount), FaceTextures{-1, -1});
    basisInverses.assign(size_t(newFaceCount), Matrix3()); // identity
    FaceCorners* corner = corners.overwrite(size_t(newFaceCount));
    for (int32_t r = 0; r + 1 < rows; ++r) {
        for (int32_t c = 0; c + 1 < columns; ++c) {
            size_t cell = size_t(r) * (columns - 1) + c;
            uint32_t here = uint32_t(r * columns + c); // (c, r)
            uint32_t right = here + 1;                 // (c+1, r)
            uint32_t below = here + uint32_t(columns); // (c, r+1)
            uint32_t diagonal = below + 1;             // (c+1, r+1)
            corner[2 * cell] = FaceCorners{{here, right, below}};
            corner[2 * cell + 1] = FaceCorners{{diagonal, right, below}};
        }
    }
    uint32_t* order = baseOrder.overwrite(size_t(newFaceCount));
    for (int32_t f = 0; f < faceCount; ++f)
        order[f] = uint32_t(f);
    overlayOrder = baseOrder;
}

void Sector::freeArrays() {
    for (SharedArray<Vector3>* array : {&positions, &normals})
        array->clear();
    texCoords.clear();
    overlayTexCoords.clear();
    colours.clear();
    overlayColours.clear();
    overlayAlphas.clear();
    textures.clear();
    corners.clear();
    basisInverses.clear();
    baseOrder.clear();
    overlayOrder.clear();
    derived = Derived();
    vertexCount = 0;
    faceCount = 0;
}

// The arrays are shared, not copied: whichever sector writes one first gets
// its own (see SharedArray).
void Sector::copyTo(Sector& target) const {
    if (&target != this)
        target = *this;
}

SectorFace Sector::face(int32_t f) const {
    SectorFace record;
    for (int k = 0; k < 3; ++k) {
        record.colour[k] = colours[f].corner[k];
        const Vector3& rgb = overlayColours[f].corner[k];
        record.overlayColour[k] = Vector4(rgb.x, rgb.y, rgb.z, overlayAlphas[f].corner[k]);
        record.vertex[k] = corners[f].vertex[k];
    }
    record.baseTexture = textures[f].baseTexture;
    record.overlayTexture = textures[f].overlayTexture;
    record.basisInverse = basisInverses[f];
    return record;
}

size_t Sector::facesHeld() const {
    return std::min({colours.size(), overlayColours.size(), overlayAlphas.size(), textures.size(),
                     corners.size(), basisInverses.size()});
}

void Sector::setColours(float r, float g, float b) {
    colours.assign(colours.size(), uniformColours(r, g, b));
}

void Sector::setOverlayColours(float r, float g, float b, float a) {
    overlayColours.assign(overlayColours.size(), uniformColours(r, g, b));
    overlayAlphas.assign(overlayAlphas.size(), FaceAlphas{{a, a, a}});
    colours.shareIfEqual(overlayColours);
}

void Sector::setBaseTexture(int32_t name) {
    textures.update([name](size_t, FaceTextures& face) { face.baseTexture = name; });
}

void Sector::setOverlayTexture(int32_t name) {
    textures.update([name](size_t, FaceTextures& face) { face.overlayTexture = name; });
}

void Sector::texCoordsFromPositions() {
    size_t count = std::min(positions.size(), texCoords.size());
    texCoords.update([&](size_t v, Vector2& texCoord) {
        if (v < count)
            texCoord.set(positions[v].x, positions[v].z);
    });
}

void Sector::copyTexCoordsToOverlay() {
    if (texCoords.size() == overlayTexCoords.size()) {
        overlayTexCoords = texCoords;
        return;
    }
    size_t count = std::min(texCoords.size(), overlayTexCoords.size());
    overlayTexCoords.update([&](size_t v, Vector2& texCoord) {
        if (v < count)
            texCoord = texCoords[v];
    });
}

void Sector::computeBounds() {
    if (positions.empty()) {
        minX = minZ = maxX = maxZ = maxY = minY = 0.0f;
        return;
    }
    float loX = positions[0].x, hiX = loX;
    float loZ = positions[0].z, hiZ = loZ;
    float loY = positions[0].y, hiY = loY;
    for (const Vector3& p : positions) {
        if (p.x < loX)
            loX = p.x;
        if (p.x > hiX)
            hiX = p.x;
        if (p.z < loZ)
            loZ = p.z;
        if (p.z > hiZ)
            hiZ = p.z;
        if (p.y < loY)
            loY = p.y;
        if (p.y > hiY)
            hiY = p.y;
    }
    minX = loX;
    minZ = loZ;
    maxX = hiX;
    maxZ = hiZ;
    maxY = hiY;
    minY = loY;
}

static Vector3 componentProduct(Vector3 a, Vector3 b) {
    return Vector3(a.x * b.x, a.y * b.y, a.z * b.z);
}

// Applies one of the corner operations to a colour, component by component:
// 0 = set, 1 = add, 2 = subtract, 3 = multiply; any other code does nothing.
template <typename Colour> static void applyCornerOp(Colour& target, Colour value, int op) {
    switch (op) {
    case 0:
        target = value;
        break;
    case 1:
        target.add(value);
        break;
    case 2:
        target.subtract(value);
        break;
    case 3:
        target = componentProduct(target, value);
        break;
    default:
        break;
    }
}

// The same for one component of a colour held on its own (the overlay alpha).
static void applyCornerOp(float& target, float value, int op) {
    switch (op) {
    case 0:
        target = value;
        break;
    case 1:
        target += value;
        break;
    case 2:
        target -= value;
        break;
    case 3:
        target *= value;
        break;
    default:
        break;
    }
}

// Applies op with value to every corner of the faces whose corner index is
// `index`, in one of the per-face parts (get picks the corner's value).
template <typename Part, typename Colour, typename Get>
static void updateCorners(SharedArray<Part>& part, const SharedArray<FaceCorners>& corners,
                          uint32_t index, Colour value, int op, Get get) {
    if (op < 0 || op > 3)
        return;
    part.update([&](size_t f, Part& face) {
        for (int k = 0; k < 3; ++k)
            if (f < corners.size() && corners[f].vertex[k] == index)
                applyCornerOp(get(face, k), value, op);
    });
}

void Sector::updateCornerColours(int column, int row, Vector3 value, int op) {
    updateCorners(colours, corners, uint32_t(int64_t(columns) * row + column), value, op,
                  [](FaceColours& face, int k) -> Vector3& { return face.corner[k]; });
}

// The overlay colour is held as RGB and alpha apart; each component is changed
// exactly as a whole RGBA colour would be.
void Sector::updateCornerOverlayColours(int column, int row, Vector4 value, int op) {
    uint32_t index = uint32_t(int64_t(columns) * row + column);
    updateCorners(overlayColours, corners, index, Vector3(value.r, value.g, value.b), op,
                  [](FaceColours& face, int k) -> Vector3& { return face.corner[k]; });
    updateCorners(overlayAlphas, corners, index, value.a, op,
                  [](FaceAlphas& face, int k) -> float& { return face.corner[k]; });
}
