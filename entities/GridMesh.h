#pragma once
// A regular grid of vertices in the x-y plane (vertex (c, r) at index
// r * columns + c, at (c * spacing, r * spacing, 0), texture coordinates
// running 0..1 across the grid) and one serpentine triangle strip over it:
// column pair by column pair, walking the rows down in even columns and up
// in odd ones, so the whole grid is a single strip. Owns its arrays.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"

#include <cstdint>
#include <vector>

class GridMesh {
  public:
    std::vector<Vector3> vertices;  // vertexCount entries
    std::vector<Vector2> texCoords; // vertexCount entries
    std::vector<Vector3> normals;   // vertexCount entries, zero, not drawn
    int32_t vertexCount = 0;
    std::vector<int32_t> indices;   // the strip, indexCount entries
    int32_t columns = 0, rows = 0;  // vertices along x and along y
    float extentX = 0, extentZ = 0; // (columns - 1) * spacing, (rows - 1) * spacing
    int32_t indexCount = 0;

    // Builds the grid; columns and rows below 2 give an empty grid.
    void buildGrid(int32_t columns, int32_t rows, float spacing);
    void copyFrom(const GridMesh& other) { *this = other; }
};
