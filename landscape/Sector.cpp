// Building, copying and whole-sector updates of one terrain block: the vertex
// grid, its faces with their corner orders, and the per-face setters.

#include "landscape/Sector.h"

#include "platform/MessageBox.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

// Arrays of a sector are sized by its grid; a grid that cannot be held ends the
// program the same way an impossible copy does.
[[noreturn]] static void sectorOutOfMemory() {
    messageBox("Out of memory", "", MB_OK);
    std::exit(1);
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

void Sector::init(float x0, float z0, float x1, float z1, float stepX_, float stepZ_) {
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

    columns = newColumns;
    rows = newRows;
    stepX = stepX_;
    stepZ = stepZ_;
    freeArrays();

    SectorFace blank;
    for (int k = 0; k < 3; ++k) {
        blank.colour[k].set(0.0f, 0.0f, 0.0f);
        blank.overlayColour[k].set(0.0f, 0.0f, 0.0f, 0.0f);
        blank.vertex[k] = 0;
    }
    blank.baseTexture = -1;
    blank.overlayTexture = -1;
    blank.basisInverse = Matrix3(); // identity

    try {
        positions.resize(size_t(newVertexCount));
        normals.resize(size_t(newVertexCount));
        texCoords.resize(size_t(newVertexCount));
        overlayTexCoords.resize(size_t(newVertexCount));
        faces.assign(size_t(newFaceCount), blank);
        baseOrder.resize(size_t(newFaceCount));
        overlayOrder.resize(size_t(newFaceCount));
    } catch (const std::bad_alloc&) {
        sectorOutOfMemory();
    }
    vertexCount = int32_t(newVertexCount);

    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            size_t v = size_t(r) * columns + c;
            positions[v].set(x0 + c * stepX, 0.0f, z0 + r * stepZ);
            normals[v].set(0.0f, 1.0f, 0.0f);
            texCoords[v].set(positions[v].x, positions[v].z);
            overlayTexCoords[v] = texCoords[v];
        }
    }
    computeBounds();

    faceCount = int32_t(newFaceCount);
    for (int32_t r = 0; r + 1 < rows; ++r) {
        for (int32_t c = 0; c + 1 < columns; ++c) {
            size_t cell = size_t(r) * (columns - 1) + c;
            uint32_t here = uint32_t(r * columns + c); // (c, r)
            uint32_t right = here + 1;                 // (c+1, r)
            uint32_t below = here + uint32_t(columns); // (c, r+1)
            uint32_t diagonal = below + 1;             // (c+1, r+1)
            SectorFace& first = faces[2 * cell];
            SectorFace& second = faces[2 * cell + 1];
            first.vertex[0] = here;
            first.vertex[1] = right;
            first.vertex[2] = below;
            second.vertex[0] = diagonal;
            second.vertex[1] = right;
            second.vertex[2] = below;
            for (SectorFace* face : {&first, &second}) {
                face->baseTexture = -1;
                face->overlayTexture = -1;
                for (int k = 0; k < 3; ++k) {
                    face->colour[k].set(1.0f, 1.0f, 1.0f);
                    face->overlayColour[k].set(1.0f, 1.0f, 1.0f, 0.0f);
                }
            }
        }
    }
    for (int32_t f = 0; f < faceCount; ++f) {
        baseOrder[f] = uint32_t(f);
        overlayOrder[f] = uint32_t(f);
    }
}

void Sector::freeArrays() {
    // Swapping with empty vectors gives the memory back, which clear() would not.
    TerrainArray<Vector3>().swap(positions);
    TerrainArray<Vector3>().swap(normals);
    TerrainArray<Vector2>().swap(texCoords);
    TerrainArray<Vector2>().swap(overlayTexCoords);
    TerrainArray<SectorFace>().swap(faces);
    TerrainArray<uint32_t>().swap(baseOrder);
    TerrainArray<uint32_t>().swap(overlayOrder);
    vertexCount = 0;
    faceCount = 0;
}

void Sector::copyTo(Sector& target) const {
    if (&target == this)
        return;
    target.minX = minX;
    target.minZ = minZ;
    target.maxX = maxX;
    target.maxZ = maxZ;
    target.maxY = maxY;
    target.minY = minY;
    target.vertexCount = vertexCount;
    target.stepX = stepX;
    target.stepZ = stepZ;
    target.columns = columns;
    target.rows = rows;
    target.faceCount = faceCount;
    for (int k = 0; k < bucketCapacity; ++k)
        target.entityBucket[k] = entityBucket[k];
    target.entityCount = entityCount;
    try {
        target.positions = positions;
        target.normals = normals;
        target.texCoords = texCoords;
        target.overlayTexCoords = overlayTexCoords;
        target.faces = faces;
        target.baseOrder = baseOrder;
        target.overlayOrder = overlayOrder;
    } catch (const std::bad_alloc&) {
        sectorOutOfMemory();
    }
}

void Sector::setColours(float r, float g, float b) {
    for (SectorFace& face : faces)
        for (int k = 0; k < 3; ++k)
            face.colour[k].set(r, g, b);
}

void Sector::setOverlayColours(float r, float g, float b, float a) {
    for (SectorFace& face : faces)
        for (int k = 0; k < 3; ++k)
            face.overlayColour[k].set(r, g, b, a);
}

void Sector::setBaseTexture(int32_t name) {
    for (SectorFace& face : faces)
        face.baseTexture = name;
}

void Sector::setOverlayTexture(int32_t name) {
    for (SectorFace& face : faces)
        face.overlayTexture = name;
}

void Sector::texCoordsFromPositions() {
    size_t count = std::min(positions.size(), texCoords.size());
    for (size_t v = 0; v < count; ++v)
        texCoords[v].set(positions[v].x, positions[v].z);
}

void Sector::copyTexCoordsToOverlay() {
    size_t count = std::min(texCoords.size(), overlayTexCoords.size());
    for (size_t v = 0; v < count; ++v)
        overlayTexCoords[v] = texCoords[v];
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

static Vector4 componentProduct(Vector4 a, Vector4 b) {
    return Vector4(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a);
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

// Applies op with value to the corner colour (picked by member) of every face
// corner that uses vertex (column, row).
template <typename Colour, size_t Corners>
static void updateCorners(TerrainArray<SectorFace>& faces, uint32_t index,
                          Colour (SectorFace::*member)[Corners], Colour value, int op) {
    if (op < 0 || op > 3)
        return;
    for (SectorFace& face : faces)
        for (size_t k = 0; k < Corners; ++k)
            if (face.vertex[k] == index)
                applyCornerOp((face.*member)[k], value, op);
}

void Sector::updateCornerColours(int column, int row, Vector3 value, int op) {
    updateCorners(faces, uint32_t(int64_t(columns) * row + column), &SectorFace::colour, value, op);
}

void Sector::updateCornerOverlayColours(int column, int row, Vector4 value, int op) {
    updateCorners(faces, uint32_t(int64_t(columns) * row + column), &SectorFace::overlayColour,
                  value, op);
}
