#pragma once
// One terrain triangle. The record is written to the map file field for field as
// it lies in memory (140 bytes), with the two texture names replaced by indices
// into the file's texture section.
//
// In memory a sector holds its faces as the parts that change together, one
// array per part (see Sector): the steps of the map builder each change only
// some of them, and the undo ring shares the rest between its states. The
// record is assembled from the parts when a map is saved and taken apart when
// one is loaded.

#include "geometry/Matrix3.h"
#include "geometry/Vector3.h"
#include "geometry/Vector4.h"

#include <cstdint>

struct SectorFace {
    Vector3 colour[3];        // RGB baked light of each corner (base layer)
    Vector4 overlayColour[3]; // RGBA of each corner (overlay layer); alpha = coverage
    int32_t baseTexture;      // OpenGL texture name of the base layer; -1 = not drawn
    int32_t overlayTexture;   // OpenGL texture name of the overlay layer; -1 = none
    uint32_t vertex[3];       // corner indices into the sector's vertex arrays
    Matrix3 basisInverse;     // inverse of the columns (edge1, edge2, edge1 x edge2)
};
static_assert(sizeof(SectorFace) == 140, "SectorFace is the 140-byte map file record");

// The RGB of a face's three corners: the baked light of the base layer, or the
// colour of the overlay layer (which the light gives the same values).
struct FaceColours {
    Vector3 corner[3];
};
static_assert(sizeof(FaceColours) == 36, "three packed RGB colours");

// The overlay coverage of a face's three corners, changed by painting only.
struct FaceAlphas {
    float corner[3];
};

// The texture names of both layers of a face; -1 = none.
struct FaceTextures {
    int32_t baseTexture;
    int32_t overlayTexture;
};

// Indices of a face's corners into its sector's vertex arrays.
struct FaceCorners {
    uint32_t vertex[3];
};
