#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

TEST(ViewDistance, StoresFogDistancesAndTheCullRadiusAndSetsTheOpenGLFogRange) {
    ASSERT_TRUE(openTestWindow());
    Landscape land;
    land.newMap(32, 32, 16, 1, 1);
    GLfloat start = 0, end = 0;
    land.setViewDist(40, 5);
    EXPECT_EQ(land.fogEnd, 40.0f);
    EXPECT_EQ(land.fogDepth, 5.0f);
    EXPECT_NEAR(land.cullRadius, 40.0f + std::sqrt(128.0f), 1e-4f);
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_EQ(start, 35.0f);
    EXPECT_EQ(end, 40.0f);

    land.setViewDist(40, 50); // a start before the camera is passed on as it is
    glGetFloatv(GL_FOG_START, &start);
    EXPECT_EQ(start, -10.0f);

    land.setViewDist(60, -1); // no depth: fog over the whole distance
    EXPECT_EQ(land.fogDepth, 60.0f);
    glGetFloatv(GL_FOG_START, &start);
    EXPECT_EQ(start, 0.0f);

    // The radius follows the sector size at the time of the call.
    land.multVertex(2, 1, 1);
    land.setViewDist(40, 5);
    EXPECT_NEAR(land.cullRadius, 40.0f + std::sqrt(16.0f * 16.0f + 8.0f * 8.0f), 1e-4f);
}

TEST(FogColour, IsAlsoTheClearColour) {
    ASSERT_TRUE(openTestWindow());
    Landscape land;
    land.setFogColor(0.5f, 0.75f, 1.0f);
    EXPECT_EQ(land.fogColour.y, 0.75f);
    GLfloat fog[4] = {}, clear[4] = {};
    glGetFloatv(GL_FOG_COLOR, fog);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fog[k], k == 0 ? 0.5f : k == 1 ? 0.75f : 1.0f);
        EXPECT_EQ(clear[k], fog[k]);
    }
    glClear(GL_COLOR_BUFFER_BIT);
    GLubyte pixel[3] = {};
    glReadPixels(400, 300, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
    EXPECT_NEAR(pixel[0], 128, 2);
    EXPECT_NEAR(pixel[1], 191, 2);
    EXPECT_EQ(pixel[2], 255);
}
