#include "entities/GridMesh.h"

void GridMesh::buildGrid(int32_t columnCount, int32_t rowCount, float spacing) {
    *this = GridMesh();
    if (columnCount < 2 || rowCount < 2)
        return;
    columns = columnCount;
    rows = rowCount;
    extentX = float(columns - 1) * spacing;
    extentZ = float(rows - 1) * spacing;
    vertexCount = columns * rows;
    vertices.resize(size_t(vertexCount));
    texCoords.resize(size_t(vertexCount));
    normals.resize(size_t(vertexCount));
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            size_t v = size_t(r) * size_t(columns) + size_t(c);
            vertices[v] = Vector3(float(c) * spacing, float(r) * spacing, 0.0f);
            texCoords[v] = Vector2(float(c) * spacing / extentX, float(r) * spacing / extentZ);
        }
    }
    indices.reserve(size_t(columns - 1) * size_t(rows) * 2);
    for (int32_t c = 0; c + 1 < columns; ++c) {
        for (int32_t step = 0; step < rows; ++step) {
            int32_t r = c % 2 == 0 ? step : rows - 1 - step;
            indices.push_back(r * columns + c);
            indices.push_back(r * columns + c + 1);
        }
    }
    indexCount = int32_t(indices.size());
}
