#pragma once
// A model being made by the data generator, laid out like an M3A file: a list
// of meshes (the frames of an animation), each with its own vertices, normals,
// texture coordinates, faces and materials. A face names its corners by index
// into the three arrays and its material by index into the materials. The
// builders fill it; M3aWriter stores it. Faces and materials have exactly the
// size and field offsets of the file's records.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ModelFace {
    uint32_t vertex[3];   // corners 0, 1, 2 in the mesh's vertices
    uint32_t normal[3];   // ... in its normals
    uint32_t texCoord[3]; // ... in its texture coordinates
    uint32_t material;    // index into the mesh's materials
    uint32_t unused;      // zero
};
static_assert(sizeof(ModelFace) == 44, "a face record is 44 bytes");

struct ModelMaterial {
    char reserved[50];         // zero
    char texturePath[258];     // engine path with backslashes, NUL-terminated; "" = untextured
    Vector3 ambient;           // RGB, scaled by the light model's ambient (1, 1, 1)
    Vector3 diffuse;           // RGB, given to the sun light
    uint32_t reserved2;        // zero
    Vector3 specular;          // RGB, given to the sun light
    uint32_t reserved3;        // zero
    uint32_t textureName;      // 0xFFFFFFFF: the engine fills in the GL name when it binds
    uint32_t blend;            // non-zero: blended with the two factors below
    uint32_t blendSource;      // GL blend factor enumeration value
    uint32_t blendDestination; // GL blend factor enumeration value
};
static_assert(sizeof(ModelMaterial) == 368, "a material record is 368 bytes");
static_assert(offsetof(ModelMaterial, texturePath) == 50, "texturePath at 50");
static_assert(offsetof(ModelMaterial, ambient) == 308, "ambient at 308");
static_assert(offsetof(ModelMaterial, diffuse) == 320, "diffuse at 320");
static_assert(offsetof(ModelMaterial, specular) == 336, "specular at 336");
static_assert(offsetof(ModelMaterial, textureName) == 352, "textureName at 352");
static_assert(offsetof(ModelMaterial, blend) == 356, "blend at 356");
static_assert(offsetof(ModelMaterial, blendDestination) == 364, "blend factors end the record");

// An opaque material with a texture (an engine path such as
// "data\\textures\\palmbark.mpc", at most 257 characters; "" for none).
ModelMaterial makeMaterial(const std::string& texturePath, Vector3 ambient, Vector3 diffuse);

struct ModelMesh {
    std::vector<Vector3> vertices;  // model space, y up
    std::vector<Vector3> normals;   // unit length
    std::vector<Vector2> texCoords; // u, v
    std::vector<ModelFace> faces;
    std::vector<ModelMaterial> materials;
};

struct ModelDescription {
    std::vector<ModelMesh> meshes; // animation frames, shown one at a time
};

// Empty when the model can be stored and drawn safely: every count fits the
// file's 16-bit fields, every face index lies inside its array, every normal
// has unit length, every texture path fits its field. Otherwise says what is
// wrong with which mesh and face.
std::string findModelFault(const ModelDescription& model);
