// The virtual clock of an unattended run and the screenshot of the last frame shown.
#include "tests/support/TestSupport.h"

#include "platform/Clock.h"
#include "platform/Presenter.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

TEST(VirtualClockDeathTest, StartsAtOneThousandAndMovesOnlyByTheStepAtEachFrame) {
    EXPECT_EXIT( // a fresh process, so that no earlier test has moved the clock on
        {
            platformConfig().clockStep = 17;
            bool right = getTickCount() == 1000u && getTickCount() == 1000u;
            presentFrame(); // no window: nothing is swapped, the clock still moves
            advanceVirtualClock();
            std::exit(right && getTickCount() == 1034u ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// The screenshot holds the last frame swapped to the screen, not what is drawn after it.
TEST(Screenshot, EndOfRunWritesTheLastShownFrame) {
    ASSERT_TRUE(openTestWindow()) << "needs a display (run under xvfb-run)";
    TempWorkingDirectory folder;
    platformConfig().screenshot = "last.bmp";
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0.0f, 1.0f, 0.0f);
    glRectf(-1.0f, 0.0f, 0.0f, 1.0f); // green over the top-left quarter
    presentFrame();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f); // drawn but never shown
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(endOfRun());
    EXPECT_TRUE(endOfRun()) << "a second call does nothing";
    platformConfig().screenshot.clear();
    std::ifstream in(folder.path() + "/last.bmp", std::ios::binary);
    std::vector<unsigned char> bmp{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bmp.size(), 54u + 800u * 600u * 3u);
    auto pixel = [&](int x, int yFromTop) { // as 0xRRGGBB
        size_t at = 54u + (size_t(599 - yFromTop) * 800u + size_t(x)) * 3u;
        return bmp[at + 2] << 16 | bmp[at + 1] << 8 | bmp[at];
    };
    EXPECT_EQ(pixel(100, 100), 0x00FF00);
    EXPECT_EQ(pixel(700, 100), 0x0000FF);
    EXPECT_EQ(pixel(100, 500), 0x0000FF);
}
