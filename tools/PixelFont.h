#pragma once
// The engine's own 5 x 7 pixel font for the printable ASCII characters 32..126,
// and the font sheet the text overlay reads: 16 x 16 character cells, the
// character with code k in cell row k / 16 and column k % 16, white glyphs on
// black. Each glyph pixel becomes a 2 x 2 block so that a 16-pixel cell holds a
// 10 x 14 glyph with a margin around it; the sheet stays readable when a cell is
// drawn 30 pixels wide with nearest filtering. Codes outside 32..126 are blank.

#include "tools/RgbImage.h"

namespace pixelfont {

const int glyphWidth = 5;  // glyph pixels per row
const int glyphHeight = 7; // glyph rows
const int cellSize = 16;   // sheet pixels per cell side
const int scale = 2;       // sheet pixels per glyph pixel
const int originX = 3;     // sheet pixels left of the glyph inside its cell
const int originY = 1;     // sheet pixels above the glyph inside its cell

// True when glyph pixel (column, row) of the character is set; false for
// characters without a glyph and for positions outside the glyph.
bool isSet(unsigned char character, int column, int row);

// Number of set pixels of a character's glyph.
int inkOf(unsigned char character);

// The 256 x 256 font sheet.
RgbImage makeSheet();

} // namespace pixelfont
