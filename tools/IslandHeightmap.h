#pragma once
// The demo island: a 1025 x 1025 height image (one pixel per world unit of a
// 1024-unit map, plus the closing row and column that the heightmap import
// reads) whose values 0..255 become terrain heights through the script's
// height scale. A rounded island with a noisy coastline, sandy beaches that
// slope into the sea, a central mountain with ridges, several hills and a
// valley that runs from the mountain to the south-west coast. On the
// north-west headland, where the walk starts at (200, 200), a valley with a dry
// creek runs south-east between steep hills to a range at its head: the first
// picture the demo shows. The sea is 0 on the whole border. Made from fixed
// seeds, so every run gives the same island.

#include "tools/RgbImage.h"

#include <vector>

class IslandHeightmap {
  public:
    static constexpr int size = 1025;        // pixels per side
    static constexpr float shore = 24.0f;    // height value at the waterline
    static constexpr float beachTop = 42.0f; // height where the beach meets the grass

    IslandHeightmap();

    // Height value 0..255 of pixel (column, row); row 0 is the top of the picture
    // (the map's smallest z).
    float heightAt(int column, int row) const { return heights_[size_t(row) * size + column]; }

    // Steepness at a pixel: length of the central-difference gradient, in height
    // values per pixel (one-sided at the border).
    float slopeAt(int column, int row) const;

    // Distance in pixels from the line of the creek bed that runs down the
    // headland's valley to the west coast.
    float creekDistanceAt(int column, int row) const;

    // Grey picture of the rounded heights (red = green = blue = height).
    RgbImage toImage() const;

  private:
    std::vector<float> heights_; // size * size values, row by row
};
