#include "tests/support/TestSupport.h"

#include "app/TextPrinter.h"
#include "app/Window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

const Vector3 textOrigin(-2.5f, 1.9f, 0.0f);
const Vector3 glyphSize(0.2f, 0.2f, 0.2f);

// A 256 x 256 font: 16 x 16 cells of 16 pixels, each cell black where inked
// returns true for its code, white elsewhere.
GLuint makeFont(const std::function<bool(int code)>& inked) {
    std::vector<unsigned char> pixels(256 * 256 * 3);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            int code = (y / 16) * 16 + x / 16;
            unsigned char v = inked(code) ? 0 : 255;
            for (int c = 0; c < 3; ++c)
                pixels[size_t(y * 256 + x) * 3 + size_t(c)] = v;
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return name;
}

// The overlay set-up of the frame loop, on a white screen.
class PrintTest : public testing::Test {
  protected:
    TextPrinter printer;
    std::vector<unsigned char> screen; // RGB, bottom row first

    void SetUp() override {
        ASSERT_TRUE(openTestWindow()) << "needs a display (run under xvfb-run)";
        setFixedGlState();
        glDisable(GL_FOG);
        glDisable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glColor3f(1.0f, 1.0f, 1.0f);
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -2.0f);
        glDisable(GL_DEPTH_TEST);
    }

    void print(const char* text, int count) {
        printer.printText(textOrigin, glyphSize, text, count);
        glFinish();
        screen.assign(size_t(windowWidth) * windowHeight * 3, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, windowWidth, windowHeight, GL_RGB, GL_UNSIGNED_BYTE, screen.data());
    }

    // Pixel counted from the top-left corner of the window.
    const unsigned char* at(int x, int yFromTop) const {
        return &screen[(size_t(windowHeight - 1 - yFromTop) * windowWidth + size_t(x)) * 3];
    }
    bool isBlack(int x, int y) const {
        return at(x, y)[0] < 40 && at(x, y)[1] < 40 && at(x, y)[2] < 40;
    }
    bool isWhite(int x, int y) const {
        return at(x, y)[0] > 215 && at(x, y)[1] > 215 && at(x, y)[2] > 215;
    }
    // Number of character cells inked along the text's middle row.
    int inkedCells() const {
        int cells = 0;
        for (int cell = 0; cell < 25; ++cell) {
            if (isBlack(25 + cell * 30 + 15, 30))
                ++cells;
        }
        return cells;
    }
};

} // namespace

TEST(GlyphTable, CellsRunLeftToRightThenTopToBottom) {
    GlyphTable table;
    table.build(42);
    EXPECT_EQ(table.fontTexture, 42u);
    const Glyph& a = table.glyphs[int('A')]; // 65: row 4, column 1
    EXPECT_FLOAT_EQ(a.corners[0].x, 0.0625f);
    EXPECT_FLOAT_EQ(a.corners[0].y, 0.25f);
    EXPECT_FLOAT_EQ(a.corners[1].x, 0.125f);
    EXPECT_FLOAT_EQ(a.corners[1].y, 0.25f);
    EXPECT_FLOAT_EQ(a.corners[2].x, 0.125f);
    EXPECT_FLOAT_EQ(a.corners[2].y, 0.3125f);
    EXPECT_FLOAT_EQ(a.corners[3].x, 0.0625f);
    EXPECT_FLOAT_EQ(a.corners[3].y, 0.3125f);
    const Glyph& last = table.glyphs[255];
    EXPECT_FLOAT_EQ(last.corners[2].x, 1.0f);
    EXPECT_FLOAT_EQ(last.corners[2].y, 1.0f);
    const Glyph& high = table.glyphs[200]; // row 12, column 8: lower half of the image
    EXPECT_FLOAT_EQ(high.corners[0].x, 0.5f);
    EXPECT_FLOAT_EQ(high.corners[0].y, 0.75f);
}

TEST_F(PrintTest, AGlyphAtTheOriginFillsThe30PixelCellAt25And15) {
    printer.glyphTable.build(makeFont([](int code) { return code == 'A'; }));
    print("A", -1);
    for (int y = 16; y < 44; ++y) {
        for (int x = 26; x < 54; ++x)
            ASSERT_TRUE(isBlack(x, y)) << x << "," << y;
    }
    for (int x = 0; x < 120; ++x) {
        EXPECT_TRUE(isWhite(x, 13)) << "above the cell at x " << x;
        EXPECT_TRUE(isWhite(x, 47)) << "below the cell at x " << x;
    }
    for (int y = 0; y < 60; ++y) {
        EXPECT_TRUE(isWhite(23, y)) << "left of the cell at y " << y;
        EXPECT_TRUE(isWhite(57, y)) << "right of the cell at y " << y;
    }
}

TEST_F(PrintTest, LoadingPrintsNineCharactersWithBothFullStops) {
    printer.glyphTable.build(makeFont([](int code) { return code != 0; }));
    print("Loading..", -1);
    EXPECT_EQ(inkedCells(), 9);
}

TEST_F(PrintTest, ACountPrintsThatManyCharacters) {
    printer.glyphTable.build(makeFont([](int code) { return code != 0; }));
    print("Loading..", 3);
    EXPECT_EQ(inkedCells(), 3);
    glClear(GL_COLOR_BUFFER_BIT);
    print("-12", -7); // any negative count means the whole text, never a huge count
    EXPECT_EQ(inkedCells(), 3);
}

TEST_F(PrintTest, BytesAbove127SelectTheLowerHalfOfTheFont) {
    printer.glyphTable.build(makeFont([](int code) { return code == 200; }));
    const char text[] = {'x', char(200), 0};
    print(text, -1);
    EXPECT_TRUE(isWhite(40, 30));
    EXPECT_TRUE(isBlack(70, 30));
}

TEST_F(PrintTest, ACountOfZeroDrawsNothingButBindsTheFont) {
    GLuint font = makeFont([](int) { return true; });
    printer.glyphTable.build(font);
    GLuint other = makeFont([](int) { return false; });
    glBindTexture(GL_TEXTURE_2D, other);
    glDisable(GL_TEXTURE_2D);
    print("Loading..", 0);
    EXPECT_EQ(inkedCells(), 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), font);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(PrintTest, TextTakesTheCallersColour) {
    printer.glyphTable.build(makeFont([](int) { return false; })); // an all-white font
    glColor3f(1.0f, 0.0f, 0.0f);
    print("7", -1);
    const unsigned char* p = at(40, 30);
    EXPECT_GT(p[0], 215);
    EXPECT_LT(p[1], 40);
    EXPECT_LT(p[2], 40);
    EXPECT_TRUE(isWhite(100, 30));
    glColor3f(1.0f, 1.0f, 1.0f);
}
