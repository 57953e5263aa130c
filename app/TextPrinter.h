#pragma once
// Bitmap text: one font image holds 256 character cells in a 16 x 16 grid
// (code k in cell row k / 16 from the top, column k % 16 from the left), and
// each character is drawn as one textured square. printText sets no colour
// and changes no state besides enabling texturing and binding the font: the
// caller's colour, blending, fog and depth test apply.

#include "geometry/Vector2.h"
#include "geometry/Vector3.h"

#include <cstdint>

struct Glyph {
    Vector2 corners[4]; // texture coordinates: top-left, top-right, bottom-right, bottom-left
};

struct GlyphTable {
    Glyph glyphs[256];                  // one per byte value
    uint32_t fontTexture = 0xFFFFFFFFu; // OpenGL texture name of the font image

    // Fills the cells of a 16 x 16 font image; v = 0 is the image's top edge.
    void build(uint32_t fontTexture);
};

class TextPrinter {
  public:
    GlyphTable glyphTable; // built once the font texture exists

    // Draws count characters of text, or the whole zero-terminated text when
    // count is negative, as one batch of quads. origin is the top-left corner
    // of the first character in model-view space; size.x is the width and
    // advance of a character, size.y its height, size.z is unused.
    void printText(const Vector3& origin, const Vector3& size, const char* text, int count) const;
};
