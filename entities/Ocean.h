#pragma once
// One patch of sea, one per sector: a 4 x 4 grid spanning the sector at the
// water level whose vertices bob in rings around the world origin and whose
// texture drifts in a small circle, drawn alpha-blended with the sector it
// lies on. Each frame animates from a pristine copy of the grid, so no drift
// builds up. A patch over a sector whose ground stays above the water is not
// drawn.

#include "entities/Entity.h"
#include "entities/GridMesh.h"
#include "geometry/Vector2.h"

class Ocean : public Entity {
  public:
    Vector3 corners[4];         // set by setCorners
    Vector2 cornerTexCoords[4]; // set by setCornerTexCoords; kept in entity files
    GridMesh mesh;              // animated and drawn
    GridMesh pristine;          // the mesh as built
    std::vector<float> phases;  // wave phase per vertex
    float waveSpeed = 0;        // 0.01 after set-up
    float waveHeight = 0;       // units, 0.9 after set-up
    float oceanWidth = 1.0f;    // x extent of the patch
    float oceanDepth = 1.0f;    // z extent of the patch
    int32_t texture = -1;       // GL name of the water texture, -1 when missing

    static constexpr int extraBytes = 40; // class data in entity files

    Ocean();
    void draw(Landscape& world) override;
    void update(Landscape&) override {}
    void onAdded(Landscape& world) override;
    void prepareSave() override;
    void afterLoad(Landscape& world) override;

    void setCorners(float x0, float z0, float x1, float z1, float y);
    void setCornerTexCoords(float uStart, float vStart, float scale);

  private:
    void rebuild();
};
