#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "landscape/TerrainRenderer.h"
#include "platform/Clock.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

// One 16-unit sector seen straight from above through an orthographic view
// 20 x 15 units wide, so the map covers the middle of the 800 x 600 window.
class TerrainDrawing : public testing::Test {
  protected:
    Landscape land;
    Vector3 eye{8, 10, 8};
    Vector3 angles{90, 0, 0};

    void SetUp() override {
        ASSERT_TRUE(openTestWindow());
        land.newMap(16, 16, 16, 1, 1);
        land.cameraPosition = &eye;
        land.cameraAngles = &angles;
        land.cullRadius = 1000;
        glViewport(0, 0, 800, 600);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 10, -7.5, 7.5, 0.1, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(angles.x, 1, 0, 0);
        glTranslatef(-eye.x, -eye.y, -eye.z);
        glDisable(GL_FOG);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glEnable(GL_TEXTURE_2D);
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    static GLuint solidTexture(GLubyte r, GLubyte g, GLubyte b) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        std::vector<GLubyte> texels;
        for (int k = 0; k < 4; ++k)
            texels.insert(texels.end(), {r, g, b});
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return name;
    }

    static std::vector<GLubyte> frame() {
        std::vector<GLubyte> pixels(800 * 600 * 3);
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    static Rgb pixel(int x, int y) {
        GLubyte p[3] = {};
        glFinish();
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    static int count(const std::function<bool(Rgb)>& wanted) {
        std::vector<GLubyte> pixels = frame();
        int n = 0;
        for (size_t k = 0; k < pixels.size(); k += 3)
            n += wanted({pixels[k], pixels[k + 1], pixels[k + 2]});
        return n;
    }
    static bool near(Rgb p, int r, int g, int b) {
        return std::abs(p.r - r) <= 4 && std::abs(p.g - g) <= 4 && std::abs(p.b - b) <= 4;
    }
};

} // namespace

TEST_F(TerrainDrawing, TexturedMapSeenFromAboveShowsItsTexture) {
    land.setTexture(int32_t(solidTexture(255, 0, 0)));
    land.render(terrainSolidMode);
    EXPECT_EQ(land.renderCount, 1);
    EXPECT_TRUE(near(pixel(400, 300), 255, 0, 0));
    EXPECT_TRUE(near(pixel(90, 300), 255, 0, 0));  // the map spans x 80..720
    EXPECT_TRUE(near(pixel(70, 300), 0, 0, 255));  // beside the map
    EXPECT_TRUE(near(pixel(780, 300), 0, 0, 255)); // beside the map
}

TEST_F(TerrainDrawing, BakedCornerColoursTintTheTexture) {
    land.setTexture(int32_t(solidTexture(255, 255, 255)));
    land.sectors[0].setColours(0.0f, 0.5f, 0.0f);
    land.render(terrainSolidMode);
    EXPECT_TRUE(near(pixel(400, 300), 0, 128, 0));
}

TEST_F(TerrainDrawing, FreshMapDrawsNothing) {
    land.render(terrainSolidMode);
    EXPECT_EQ(land.renderCount, 1);
    EXPECT_EQ(count([](Rgb p) { return !near(p, 0, 0, 255); }), 0);
}

TEST_F(TerrainDrawing, OverlayIsBlendedByItsAlpha) {
    land.setTexture(int32_t(solidTexture(255, 255, 255)));
    land.sectors[0].setOverlayTexture(int32_t(solidTexture(255, 0, 0)));
    land.sectors[0].setOverlayColours(1, 1, 1, 0.5f);
    land.render(terrainSolidMode);
    EXPECT_TRUE(near(pixel(400, 300), 255, 128, 128));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Without a base texture the overlay alone is blended over the background.
    glClear(GL_COLOR_BUFFER_BIT);
    land.setTexture(-1);
    land.render(terrainSolidMode);
    EXPECT_TRUE(near(pixel(400, 300), 128, 0, 128));

    // No coverage, no overlay.
    glClear(GL_COLOR_BUFFER_BIT);
    land.sectors[0].setOverlayColours(1, 1, 1, 0.0f);
    land.invalidateLists(); // a direct edit of a sector drops the recorded drawing
    land.render(terrainSolidMode);
    EXPECT_TRUE(near(pixel(400, 300), 0, 0, 255));
}

TEST_F(TerrainDrawing, WireModeDrawsLinesOnly) {
    land.setTexture(int32_t(solidTexture(255, 0, 0)));
    land.render(terrainSolidMode);
    auto red = [](Rgb p) { return near(p, 255, 0, 0); };
    int filled = count(red);
    glClear(GL_COLOR_BUFFER_BIT);
    land.render(terrainWireMode);
    int lines = count(red);
    EXPECT_EQ(filled, 640 * 600);
    EXPECT_GT(lines, 1000);
    EXPECT_LT(lines, filled / 4);
}

TEST_F(TerrainDrawing, RenderStampsTheFrameTimeAndPlacesTheSunAsLightZero) {
    uint32_t before = getTickCount();
    land.render(terrainSolidMode);
    uint32_t after = getTickCount();
    EXPECT_GE(land.frameTime, before);
    EXPECT_LE(land.frameTime, after);
    // The light position is kept in eye space: the view turns (x, y, z) into (x, -z, y).
    GLfloat position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_NEAR(position[0], 3.0f / 7.0f, 1e-5f);
    EXPECT_NEAR(position[1], -6.0f / 7.0f, 1e-5f);
    EXPECT_NEAR(position[2], 2.0f / 7.0f, 1e-5f);
    EXPECT_EQ(position[3], 0.0f);
}

TEST_F(TerrainDrawing, SectorBoundsAreAdditiveWallsAtTheMinimumSides) {
    Sector& s = land.sectors[0];
    s.positions[5].y = 4.0f;
    s.computeBounds();
    glLoadIdentity();
    glTranslatef(-8, -2, -20); // facing the wall at z = 0 from the front
    glClearColor(0.2f, 0.2f, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    land.drawSectorBounds(); // every sector, with no render list made
    EXPECT_TRUE(near(pixel(400, 300), 128, 128, 128));
    EXPECT_TRUE(near(pixel(400, 590), 51, 51, 51)); // above the wall
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}
