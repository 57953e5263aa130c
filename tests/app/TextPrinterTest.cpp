// The text overlay drawn with a made-up font and read back from the screen.
#include "tests/support/TestSupport.h"

#include "app/TextPrinter.h"
#include "app/Window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A 256 x 256 font of 16 x 16 cells, each black where inked(code), else white.
GLuint makeFont(const std::function<bool(int code)>& inked) {
    std::vector<unsigned char> pixels(256 * 256 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = inked(int(i / 3 / 4096 * 16 + i / 3 % 256 / 16)) ? 0 : 255;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return name;
}

// Prints on a white screen with the frame loop's overlay set-up; returns the
// screen as 0xRRGGBB per pixel, top row first.
std::vector<int> print(TextPrinter& printer, const char* text, int count) {
    setFixedGlState();
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    printer.printText(Vector3(-2.5f, 1.9f, 0.0f), Vector3(0.2f, 0.2f, 0.2f), text, count);
    std::vector<unsigned char> rgb(size_t(windowWidth) * windowHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::vector<int> screen(size_t(windowWidth) * windowHeight);
    for (size_t i = 0; i < screen.size(); ++i) {
        size_t row = size_t(windowHeight) - 1 - i / windowWidth,
               at = (row * windowWidth + i % windowWidth) * 3;
        screen[i] = rgb[at] << 16 | rgb[at + 1] << 8 | rgb[at + 2];
    }
    return screen;
}

// Character cells (30 pixels from x 25) whose middle is black.
int inkedCells(const std::vector<int>& screen) {
    int cells = 0;
    for (int cell = 0; cell < 25; ++cell)
        cells += screen[size_t(30) * windowWidth + 25 + cell * 30 + 15] == 0;
    return cells;
}

} // namespace

TEST(TextPrinter, PrintsCountCharactersInThirtyPixelCellsTakingTheCallersColour) {
    ASSERT_TRUE(openTestWindow()) << "needs a display (run under xvfb-run)";
    TextPrinter printer;
    printer.glyphTable.build(makeFont([](int code) { return code == 'A'; }));
    glColor3f(1.0f, 1.0f, 1.0f);
    std::vector<int> screen = print(printer, "A", -1);
    for (int y = 13; y < 48; ++y) // black inside the cell at (25, 15), white around it
        for (int x = 23; x < 58; ++x)
            if ((y >= 16 && y < 44 && x >= 26 && x < 54) || y < 15 || y > 44 || x < 25 || x > 55) {
                ASSERT_EQ(screen[size_t(y) * windowWidth + x] == 0,
                          y >= 16 && y < 44 && x >= 26 && x < 54)
                    << x << "," << y;
            }
    const char high[] = {'x', char(200), 'y', 0};
    const struct {
        const char* text;
        int count, inked;
    } cases[] = {{"Loading..", -1, 9},
                 {"Loading..", 3, 3},
                 {"-12", -7, 3},
                 {high, -1, 3},
                 {"Loading..", 0, 0}};
    GLuint font = makeFont([](int code) { return code != 0; });
    printer.glyphTable.build(font);
    for (const auto& c : cases)
        EXPECT_EQ(inkedCells(print(printer, c.text, c.count)), c.inked) << c.text << " " << c.count;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), font) << "the font is bound even for no characters";
    printer.glyphTable.build(makeFont([](int code) { return code != 200; }));
    EXPECT_EQ(inkedCells(print(printer, high, -1)), 2) << "bytes above 127: the font's lower half";
    printer.glyphTable.build(makeFont([](int) { return false; })); // an all-white font
    glColor3f(1.0f, 0.0f, 0.0f);
    screen = print(printer, "7", -1);
    EXPECT_EQ(screen[size_t(30) * windowWidth + 40] & 0xF0F0F0, 0xF00000);
    EXPECT_EQ(screen[size_t(30) * windowWidth + 100], 0xFFFFFF);
    glColor3f(1.0f, 1.0f, 1.0f);
}
