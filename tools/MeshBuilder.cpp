#include "tools/MeshBuilder.h"

#include <algorithm>
#include <cmath>

namespace {

float dot(Vector3 a, Vector3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

const float pi = 3.14159265f;

} // namespace

uint32_t MeshBuilder::material(const ModelMaterial& material) {
    mesh_.materials.push_back(material);
    return uint32_t(mesh_.materials.size() - 1);
}

uint32_t MeshBuilder::vertex(Vector3 position, Vector3 normal, Vector2 texCoord) {
    normal.normalize();
    mesh_.vertices.push_back(position);
    mesh_.normals.push_back(normal);
    mesh_.texCoords.push_back(texCoord);
    return uint32_t(mesh_.vertices.size() - 1);
}

void MeshBuilder::triangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material) {
    const Vector3& pa = mesh_.vertices[a];
    Vector3 facing = cross(mesh_.vertices[b].minus(pa), mesh_.vertices[c].minus(pa));
    if (facing.length() < 1e-7f)
        return; // no area
    Vector3 normals = mesh_.normals[a].plus(mesh_.normals[b]).plus(mesh_.normals[c]);
    if (dot(facing, normals) < 0.0f)
        std::swap(b, c);
    ModelFace face = {{a, b, c}, {a, b, c}, {a, b, c}, material, 0};
    mesh_.faces.push_back(face);
}

void MeshBuilder::polygon(const std::vector<Vector3>& corners,
                          const std::vector<Vector2>& texCoords, Vector3 normal,
                          uint32_t material) {
    std::vector<uint32_t> index;
    for (size_t i = 0; i < corners.size(); ++i)
        index.push_back(vertex(corners[i], normal, texCoords[i]));
    for (size_t i = 2; i < index.size(); ++i)
        triangle(index[0], index[i - 1], index[i], material);
}

void MeshBuilder::surface(const Grid& grid, uint32_t material) {
    const int rows = grid.rows;
    const int columns = grid.columns;
    auto at = [&](int r, int c) { return grid.points[size_t(r) * columns + c]; };
    const int base = int(mesh_.vertices.size());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            // Central differences along the rows and the columns; a wrapped
            // grid steps over its repeated last column.
            int r0 = r > 0 ? r - 1 : r, r1 = r + 1 < rows ? r + 1 : r;
            int c0 = c - 1, c1 = c + 1;
            if (grid.wrap) {
                if (c0 < 0)
                    c0 = columns - 2;
                if (c1 > columns - 1)
                    c1 = 1;
            } else {
                c0 = c0 < 0 ? 0 : c0;
                c1 = c1 > columns - 1 ? columns - 1 : c1;
            }
            Vector3 across = at(r, c1).minus(at(r, c0));
            Vector3 along = at(r1, c).minus(at(r0, c));
            const Vector3& hint = grid.outward[size_t(r) * columns + c];
            Vector3 normal = cross(across, along);
            if (normal.length() < 1e-6f * (1.0f + across.length() * along.length()) ||
                across.length() < 1e-5f)
                normal = hint;
            else if (dot(normal, hint) < 0.0f)
                normal = normal.times(-1.0f);
            vertex(at(r, c), normal, grid.texCoords[size_t(r) * columns + c]);
        }
    }
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            uint32_t a = uint32_t(base + r * columns + c), b = a + 1;
            uint32_t d = a + uint32_t(columns), e = d + 1;
            triangle(a, b, e, material);
            triangle(a, e, d, material);
        }
    }
}

void MeshBuilder::prismX(const std::vector<Vector2>& givenProfile, float x0, float x1,
                         float texScale, uint32_t material) {
    // Walk the profile counter-clockwise (z right, y up), whichever way it was given.
    std::vector<Vector2> profile = givenProfile;
    float area = 0.0f;
    for (size_t i = 0; i < profile.size(); ++i) {
        const Vector2 &p = profile[i], &q = profile[(i + 1) % profile.size()];
        area += p.x * q.y - q.x * p.y;
    }
    if (area < 0.0f)
        std::reverse(profile.begin(), profile.end());
    std::vector<Vector3> near, far;
    std::vector<Vector2> capTex;
    for (const Vector2& p : profile) {
        near.push_back(Vector3(x0, p.y, p.x));
        far.push_back(Vector3(x1, p.y, p.x));
        capTex.push_back(Vector2(p.x * texScale, p.y * texScale));
    }
    polygon(far, capTex, Vector3(1.0f, 0.0f, 0.0f), material);
    polygon(near, capTex, Vector3(-1.0f, 0.0f, 0.0f), material);
    float run = 0.0f;
    for (size_t i = 0; i < profile.size(); ++i) {
        Vector2 p = profile[i], q = profile[(i + 1) % profile.size()];
        float length = std::sqrt((q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y));
        // The outer normal of edge p -> q of a counter-clockwise profile.
        Vector3 normal(0.0f, -(q.x - p.x), q.y - p.y);
        float v0 = run * texScale, v1 = (run + length) * texScale;
        polygon({Vector3(x0, p.y, p.x), Vector3(x1, p.y, p.x), Vector3(x1, q.y, q.x),
                 Vector3(x0, q.y, q.x)},
                {Vector2(x0 * texScale, v0), Vector2(x1 * texScale, v0), Vector2(x1 * texScale, v1),
                 Vector2(x0 * texScale, v1)},
                normal, material);
        run += length;
    }
}

std::vector<Vector3> MeshBuilder::ring(Vector3 centre, Vector3 a, Vector3 b, float ra, float rb,
                                       int sides) {
    std::vector<Vector3> points;
    for (int j = 0; j <= sides; ++j) {
        float angle = 2.0f * pi * float(j % sides) / float(sides);
        points.push_back(
            centre.plus(a.times(std::cos(angle) * ra)).plus(b.times(std::sin(angle) * rb)));
    }
    return points;
}

void MeshBuilder::tube(const std::vector<std::vector<Vector3>>& rings,
                       const std::vector<Vector3>& centres, const std::vector<float>& v,
                       uint32_t material) {
    Grid grid;
    grid.rows = int(rings.size());
    grid.columns = int(rings[0].size());
    grid.wrap = true;
    for (int r = 0; r < grid.rows; ++r) {
        // Along the tube, pointing out of its nearer end: the normal where a
        // ring shrinks to a point (a cap's centre, a tip).
        Vector3 axis = centres[grid.rows - 1].minus(centres[0]);
        if (r < grid.rows / 2)
            axis = axis.times(-1.0f);
        for (int c = 0; c < grid.columns; ++c) {
            Vector3 point = rings[r][c];
            Vector3 away = point.minus(centres[r]);
            grid.points.push_back(point);
            grid.texCoords.push_back(Vector2(float(c) / float(grid.columns - 1), v[r]));
            grid.outward.push_back(away.length() > 1e-5f ? away : axis);
        }
    }
    surface(grid, material);
}
