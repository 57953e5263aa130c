#pragma once
// One triangle mesh of an M3A model, which is one frame of the model's
// animation: vertices, normals and texture coordinates, faces that index
// them, and the materials the faces name. The mesh owns its arrays. Every
// face it keeps indexes inside its arrays (faces that do not are dropped when
// the mesh is read), so drawing never follows an index out of bounds. A mesh
// may have no normals or no texture coordinates at all: its faces are kept
// and drawn without them.
//
// Drawing uses OpenGL's fixed-function lighting with light 0 as the sun: each
// material sets the ambient light model, its ambient reflectance, and gives
// its diffuse and specular colours to light 0. The calls of one draw are
// recorded once into a display list and replayed afterwards; changing a
// material's texture name records them afresh.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"
#include "image/CompiledList.h"
#include "models/M3aRecords.h"

#include <cstdint>
#include <vector>

class BinaryReader;

class M3aMesh {
  public:
    static constexpr uint32_t magic = 100;

    std::vector<Vector3> vertices; // vertexCount entries, model space, y up
    int32_t vertexCount = 0;
    std::vector<Vector3> normals; // normalCount entries
    int32_t normalCount = 0;
    std::vector<Vector2> texCoords; // texCoordCount entries
    int32_t texCoordCount = 0;
    std::vector<M3aMaterial> materials; // materialCount entries
    int32_t materialCount = 0;
    std::vector<M3aFace> faces; // faceCount entries, indices in range (of arrays not empty)
    int32_t faceCount = 0;

    // Reads one mesh (16-byte header, then vertices, normals, texture
    // coordinates, faces and materials). False, leaving the mesh as it was,
    // when the header's magic is not 100 or the header cannot be read. Data
    // cut short leaves zeros; faces whose indices fall outside the arrays are
    // dropped, except indices into an array the mesh does not have.
    bool read(BinaryReader& in);

    // Draws the mesh from its recorded list (recording it on first use), or
    // directly when no list can be made. Needs a GL context, outside glBegin.
    void draw();
    // The same calls, sent one by one.
    void drawDirect() const;
    // Forgets the recorded list (after a material changed).
    void invalidate() { list.reset(); }

  private:
    CompiledList list; // the calls of drawDirect, recorded once
    void dropBadFaces();
    void setUpMaterial(const M3aMaterial& material) const;
};
