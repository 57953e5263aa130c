#pragma once
// The records of an M3A model file as they lie in the file and in memory: a
// face of three corners (vertex, normal and texture-coordinate indices and a
// material index) and a material (texture path, light colours, GL texture
// name and blend state). Both are little-endian in the file; the mesh reader
// assembles them field by field through io/, so the layout below is the file
// layout on any host.

#include <cstddef>
#include <cstdint>

// Material index of a face that keeps whatever material state is current.
const uint32_t noMaterial = 0xFFFFFFFFu;
// GL texture name of a material drawn without a texture.
const uint32_t untextured = 0xFFFFFFFFu;

struct M3aFace {
    uint32_t vertex[3];   // indices into the mesh's vertices, corners 0, 1, 2
    uint32_t normal[3];   // indices into the mesh's normals
    uint32_t texCoord[3]; // indices into the mesh's texture coordinates
    uint32_t material;    // index into the mesh's materials, or noMaterial
    uint32_t unused;      // not read
};
static_assert(sizeof(M3aFace) == 44, "M3aFace is the 44-byte file record");

struct M3aMaterial {
    char reserved[50];         // not used
    char texturePath[258];     // NUL-terminated MPC path; empty = no texture file
    float ambient[3];          // RGB
    float diffuse[3];          // RGB, given to light 0
    uint8_t reserved2[4];      // not used
    float specular[3];         // RGB, given to light 0
    uint8_t reserved3[4];      // not used
    uint32_t textureName;      // GL texture name; untextured = none
    uint32_t blend;            // non-zero: blended with the two factors below
    uint32_t blendSource;      // GL blend factor enumeration
    uint32_t blendDestination; // GL blend factor enumeration
};
static_assert(sizeof(M3aMaterial) == 368, "M3aMaterial is the 368-byte file record");
static_assert(offsetof(M3aMaterial, ambient) == 308 && offsetof(M3aMaterial, specular) == 336 &&
                  offsetof(M3aMaterial, textureName) == 352,
              "M3aMaterial fields sit at their file offsets");
