#include "tests/support/TestSupport.h"

#include "platform/Presenter.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

std::vector<KeyEventLine> seen;
void remember(const KeyEventLine& event) {
    seen.push_back(event);
}

std::vector<unsigned char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

uint32_t littleEndian32(const std::vector<unsigned char>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

} // namespace

TEST(ScriptedKeys, OnlyTheEventsOfTheAskedFrameAreHandedOutInFileOrder) {
    platformConfig().keys = {{2, true, 'e'}, {2, false, 'e'}, {3, true, 32}, {7, true, 27}};
    seen.clear();
    forEachScriptedKey(2, remember);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].down);
    EXPECT_FALSE(seen[1].down);
    seen.clear();
    forEachScriptedKey(1, remember);
    forEachScriptedKey(4, remember);
    EXPECT_TRUE(seen.empty());
    forEachScriptedKey(7, remember);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].key, 27);
    platformConfig().keys.clear();
}

TEST(FrameLimit, OnlyTheLastAskedFrameEndsTheRun) {
    platformConfig().frames = 0;
    EXPECT_FALSE(isFinalFrame(1));
    EXPECT_FALSE(isFinalFrame(100000));
    platformConfig().frames = 3;
    EXPECT_FALSE(isFinalFrame(1));
    EXPECT_FALSE(isFinalFrame(2));
    EXPECT_TRUE(isFinalFrame(3));
    platformConfig().frames = 0;
}

// The screenshot holds the last frame that was swapped to the screen, not
// whatever is drawn after it.
TEST(Screenshot, EndOfRunWritesTheLastShownFrame) {
    ASSERT_TRUE(openTestWindow()) << "needs a display (run under xvfb-run)";
    TempWorkingDirectory folder;
    platformConfig().screenshot = "last.bmp";

    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    presentFrame();
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.0f, 1.0f, 0.0f); // a green square over the top-left quarter
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    presentFrame();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f); // drawn but never shown
    glClear(GL_COLOR_BUFFER_BIT);

    ASSERT_TRUE(endOfRun());
    EXPECT_TRUE(endOfRun()) << "a second call does nothing";
    platformConfig().screenshot.clear();

    std::vector<unsigned char> bmp = readAll(folder.path() + "/last.bmp");
    ASSERT_GT(bmp.size(), 54u);
    ASSERT_EQ(littleEndian32(bmp, 18), 800u);
    ASSERT_EQ(littleEndian32(bmp, 22), 600u);
    ASSERT_EQ(bmp.size(), 54u + 800u * 600u * 3u);
    auto pixel = [&](int x, int yFromTop) {
        size_t at = 54u + (size_t(599 - yFromTop) * 800u + size_t(x)) * 3u; // B, G, R
        return std::vector<int>{bmp[at + 2], bmp[at + 1], bmp[at]};
    };
    EXPECT_EQ(pixel(100, 100), (std::vector<int>{0, 255, 0})) << "top-left quarter is green";
    EXPECT_EQ(pixel(700, 100), (std::vector<int>{0, 0, 255})) << "top-right is blue";
    EXPECT_EQ(pixel(100, 500), (std::vector<int>{0, 0, 255})) << "bottom-left is blue";
}
