#pragma once
// The painting masks of the demo island, computed from the same heights as the
// height image. One mask pixel per map vertex of a map imported at one vertex
// per world unit (1025 x 1025 for the 1024-unit island); the red channel
// (grey) is the paint weight 0..255 and black leaves a vertex unpainted.
//
//   grass      base layer everywhere; never black, weaker where another
//              ground covers it, so that the overlay shows through there
//   sand       beaches and the sea floor (heights up to beachTop), and the
//              dry creek bed down the headland's valley
//   rock       steep slopes and the mountain top
//   darkgrass  patches, and the higher ground from about 13 units up
//
// The three overlay masks share out each vertex: where one is strong the
// others are weak, and the grass weight is one minus the strongest of them.
// Every weight changes smoothly across its border, so the painted layers fade
// into one another over a few vertices.

#include "tools/IslandHeightmap.h"
#include "tools/RgbImage.h"

struct GroundWeights {
    float grass;     // 0..1, at least 1/255
    float sand;      // 0..1
    float rock;      // 0..1
    float darkGrass; // 0..1
};

class PaintMasks {
  public:
    // Steepness, in height values per pixel, where rock starts to show and where
    // it covers fully (about 34 and 44 degrees at the demo's height scale 0.15).
    static constexpr float rockSlopeStart = 3.5f;
    static constexpr float rockSlopeFull = 8.0f;
    // Half width in pixels of the fully sandy part of the creek bed.
    static constexpr float creekSandWidth = 2.0f;

    explicit PaintMasks(const IslandHeightmap& island);

    // The weights of one vertex (mask pixel).
    GroundWeights weightsAt(int column, int row) const;

    RgbImage grass() const { return makeMask(&GroundWeights::grass); }
    RgbImage sand() const { return makeMask(&GroundWeights::sand); }
    RgbImage rock() const { return makeMask(&GroundWeights::rock); }
    RgbImage darkGrass() const { return makeMask(&GroundWeights::darkGrass); }

  private:
    RgbImage makeMask(float GroundWeights::*layer) const;

    const IslandHeightmap& island_;
};
