#pragma once
// Fills one ModelMesh with shapes: single triangles, flat convex polygons,
// prisms with flat faces, and smooth surfaces given as a grid of points (tubes,
// domes, leaves). Every vertex gets its own normal and texture coordinate at the
// same index. Triangles are wound counter-clockwise seen from the side their
// normals point to; triangles without area are left out. The builder does not
// own the mesh.

#include "tools/ModelDescription.h"

#include <vector>

class MeshBuilder {
  public:
    explicit MeshBuilder(ModelMesh& mesh) : mesh_(mesh) {}

    // Adds a material and returns its index for the shapes that use it.
    uint32_t material(const ModelMaterial& material);

    // A vertex with its normal (normalised here) and texture coordinate.
    uint32_t vertex(Vector3 position, Vector3 normal, Vector2 texCoord);
    void triangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material);

    // A flat convex polygon, fanned from its first corner, facing `normal`.
    void polygon(const std::vector<Vector3>& corners, const std::vector<Vector2>& texCoords,
                 Vector3 normal, uint32_t material);

    // A grid of rows x columns points, smooth-shaded: normals from the grid's
    // neighbours, turned to agree with outward[i] (any vector on the outer
    // side). With wrap the last column is the first again (a closed tube, whose
    // last column repeats the first so that the texture can run 0 to 1 around).
    // Where the grid collapses to a point the normal is outward[i] itself.
    struct Grid {
        int rows = 0;
        int columns = 0;
        bool wrap = false;
        std::vector<Vector3> points;    // row by row
        std::vector<Vector2> texCoords; // one per point
        std::vector<Vector3> outward;   // one per point
    };
    void surface(const Grid& grid, uint32_t material);

    // A prism along x between x0 and x1 over a convex profile of (z, y) points
    // in order around it (either way round): flat side caps and one flat face
    // per profile edge. Texture coordinates are planar, texScale per unit.
    void prismX(const std::vector<Vector2>& profile, float x0, float x1, float texScale,
                uint32_t material);

    // A ring of `sides` points around `centre` in the plane of the unit vectors
    // a and b, with radii ra along a and rb along b; point j sits at angle
    // 2 pi j / sides from a towards b.
    static std::vector<Vector3> ring(Vector3 centre, Vector3 a, Vector3 b, float ra, float rb,
                                     int sides);

    // A closed tube through rings of sides + 1 points (last = first). The
    // texture's u runs once around, v is given per ring; the outward hint is
    // away from the ring's centre, or along the axis where a ring is a point.
    void tube(const std::vector<std::vector<Vector3>>& rings, const std::vector<Vector3>& centres,
              const std::vector<float>& v, uint32_t material);

  private:
    ModelMesh& mesh_;
};
