#pragma once
// The texture-painting canvas of the map builder: one PaintCell per distinct
// vertex position of the whole map, row by row (row 0 = smallest z, column 0 =
// smallest x). "startpaint" begins a blank canvas on a Landscape, every
// "maptexture" paints one texture into one layer through the red channel of a
// mask image, and "endpaint" writes base and overlay textures and the overlay
// coverage (the alpha of overlayColour) into the faces of that Landscape.
//
// The canvas owns its cells and frees them on release, on the next begin and
// when it is destroyed; the Landscape is borrowed. Painting never reads outside
// a mask that is smaller than the canvas, and never writes outside the canvas
// or the faces: a canvas without cells paints and finishes nothing.

#include "lighting/PaintCell.h"

#include <cstdint>
#include <memory>

class Landscape;

class PaintCanvas {
  public:
    static constexpr float maskByteToWeight = 0.003921569f;           // 1/255: mask byte -> weight
    static constexpr const char* dumpPath = "data\\dumps\\facit.bmp"; // last mask read

    Landscape* landscape = nullptr;     // borrowed: the map being painted
    std::unique_ptr<PaintCell[]> cells; // cellCount cells, row by row, or none
    int32_t cellCount = 0;              // width * height
    int32_t width = 0;                  // cells per row
    int32_t height = 0;                 // rows

    PaintCanvas() = default;
    PaintCanvas(const PaintCanvas&) = delete;
    PaintCanvas& operator=(const PaintCanvas&) = delete;

    // A fresh canvas of blank cells sized to the terrain of the given Landscape;
    // a Landscape without terrain (or none) gives a canvas without cells.
    void begin(Landscape* target);
    // Paints a texture into layer 0 or 1 wherever the mask's red channel is not
    // black, and dumps the mask to dumpPath. False (nothing changed) without
    // cells, for a layer other than 0 or 1, or when the mask cannot be read.
    bool mapTexture(const char* maskPath, const char* texturePath, int layer);
    // Writes the canvas into the faces of the painted Landscape. False (nothing
    // changed) without cells or when the terrain no longer has the canvas's size.
    bool finish();
    // Frees the cells; the canvas keeps its Landscape.
    void release();

    PaintCell& cellAt(int column, int row) { return cells[size_t(row) * width + column]; }
    const PaintCell& cellAt(int column, int row) const {
        return cells[size_t(row) * width + column];
    }

  private:
    bool terrainMatchesCanvas() const;
};
