#pragma once
// One terrain triangle. The record is written to the map file field for field as
// it lies in memory (140 bytes), with the two texture names replaced by indices
// into the file's texture section.

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
