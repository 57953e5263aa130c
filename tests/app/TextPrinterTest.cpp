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

TEST_F(PrintTest, AGlyphAtTheOriginFillsThe30PixelCellAt25And15) {
    printer.glyphTable.build(makeFont([](int code) { return code == 'A'; }));
    print("A", -1);
    for (int y = 16; y < 44; ++y)
        for (int x = 26; x < 54; ++x)
            ASSERT_TRUE(isBlack(x, y)) << x << "," << y;
    for (int i = 0; i < 60; ++i) {
        EXPECT_TRUE(isWhite(i, 13) && isWhite(i, 47)) << "above and below the cell at x " << i;
        EXPECT_TRUE(isWhite(23, i) && isWhite(57, i)) << "left and right of the cell at y " << i;
    }
}

TEST_F(PrintTest, TheCountSaysHowManyCharactersAndBytesAbove127SelectTheLowerHalf) {
    const char high[] = {'x', char(200), 'y', 0};
    const struct {
        const char* text;
        int count, inked;
    } cases[] = {
        {"Loading..", -1, 9}, // both full stops
        {"Loading..", 3, 3},
        {"-12", -7, 3}, // any negative count means the whole text
        {high, -1, 3},
    };
    GLuint font = makeFont([](int code) { return code != 0; });
    printer.glyphTable.build(font);
    for (const auto& c : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        print(c.text, c.count);
        EXPECT_EQ(inkedCells(), c.inked) << c.text << " " << c.count;
    }
    printer.glyphTable.build(makeFont([](int code) { return code == 200; }));
    glClear(GL_COLOR_BUFFER_BIT);
    print(high, -1);
    EXPECT_EQ(inkedCells(), 1);
    EXPECT_TRUE(isBlack(70, 30));
}

TEST_F(PrintTest, NothingIsDrawnForACountOfZeroButTheFontIsBoundAndTextTakesTheColour) {
    GLuint font = makeFont([](int) { return false; }); // an all-white font
    printer.glyphTable.build(font);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 0.0f, 0.0f);
    print("Loading..", 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), font);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(isWhite(40, 30));
    print("7", -1);
    EXPECT_GT(at(40, 30)[0], 215);
    EXPECT_LT(at(40, 30)[1] + at(40, 30)[2], 80) << "the caller's red";
    EXPECT_TRUE(isWhite(100, 30));
    glColor3f(1.0f, 1.0f, 1.0f);
}
