#include "tools/PixelFont.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string bitsOf(unsigned char c) {
    std::string bits;
    for (int row = 0; row < pixelfont::glyphHeight; ++row) {
        for (int column = 0; column < pixelfont::glyphWidth; ++column)
            bits += pixelfont::isSet(c, column, row) ? '#' : '.';
    }
    return bits;
}

} // namespace

TEST(PixelFont, EveryPrintableCharacterHasInkAndSpaceHasNone) {
    EXPECT_EQ(pixelfont::inkOf(' '), 0);
    for (int c = 33; c <= 126; ++c)
        EXPECT_GT(pixelfont::inkOf((unsigned char)c), 0) << "character " << char(c);
}

TEST(PixelFont, CodesOutsidePrintableAsciiAreBlank) {
    for (int c = 0; c < 32; ++c)
        EXPECT_EQ(pixelfont::inkOf((unsigned char)c), 0) << c;
    for (int c = 127; c < 256; ++c)
        EXPECT_EQ(pixelfont::inkOf((unsigned char)c), 0) << c;
    EXPECT_FALSE(pixelfont::isSet('A', -1, 0));
    EXPECT_FALSE(pixelfont::isSet('A', 0, pixelfont::glyphHeight));
}

TEST(PixelFont, NoTwoCharactersLookTheSame) {
    std::set<std::string> seen;
    for (int c = 32; c <= 126; ++c)
        EXPECT_TRUE(seen.insert(bitsOf((unsigned char)c)).second) << "character " << char(c);
}

TEST(PixelFont, RecognisableShapes) {
    // A few glyphs pinned down, so that a shifted table would show.
    EXPECT_EQ(bitsOf('H'), "#...##...##...#######...##...##...#");
    EXPECT_EQ(bitsOf('-'), "...............#####...............");
    EXPECT_EQ(bitsOf('.'), std::string(25, '.') + ".##.." + ".##..");
    EXPECT_EQ(bitsOf('1'), "..#...##....#....#....#....#...###.");
}

TEST(PixelFontSheet, CellsFollowTheCharacterCodes) {
    RgbImage sheet = pixelfont::makeSheet();
    ASSERT_EQ(sheet.width, 256);
    ASSERT_EQ(sheet.height, 256);
    for (int code = 0; code < 256; ++code) {
        int cellX = (code % 16) * 16, cellY = (code / 16) * 16;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                int column = (x - pixelfont::originX) >> 1;
                int row = (y - pixelfont::originY) >> 1;
                bool inGlyph = x >= pixelfont::originX && y >= pixelfont::originY;
                bool expected = inGlyph && pixelfont::isSet((unsigned char)code, column, row);
                const uint8_t* p = sheet.at(cellX + x, cellY + y);
                ASSERT_EQ(p[0], expected ? 255 : 0) << "code " << code << " at " << x << "," << y;
                ASSERT_EQ(p[0], p[1]);
                ASSERT_EQ(p[0], p[2]);
            }
        }
    }
}
