// Terrain drawing read back from the screen: one 16-unit sector seen straight
// from above through an orthographic view 20 x 15 units wide, so that the map
// covers the middle of the 800 x 600 window (x 80..720).
#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "landscape/TerrainRenderer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

GLuint solidTexture(GLubyte r, GLubyte g, GLubyte b) {
    GLuint name = 0;
    const GLubyte texels[12] = {r, g, b, r, g, b, r, g, b, r, g, b};
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

// The frame as 0xRRGGBB per pixel, bottom row first.
std::vector<int> frame() {
    std::vector<GLubyte> rgb(800 * 600 * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::vector<int> pixels(800 * 600);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = rgb[i * 3] << 16 | rgb[i * 3 + 1] << 8 | rgb[i * 3 + 2];
    return pixels;
}

bool near(int pixel, int rgb) {
    for (int shift : {0, 8, 16})
        if (std::abs((pixel >> shift & 255) - (rgb >> shift & 255)) > 4)
            return false;
    return true;
}

} // namespace

TEST(TerrainDrawing, LayersAreTintedByCornerColoursAndBlendedByOverlayAlphaAndWireDrawsLines) {
    ASSERT_TRUE(openTestWindow());
    Landscape land;
    Vector3 eye{8, 10, 8}, angles{90, 0, 0};
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
    const int white = int(solidTexture(255, 255, 255)), red = int(solidTexture(255, 0, 0));
    const struct {
        const char* what;
        int32_t base, overlay;
        float grey, alpha;
        int expected;
        int mode;
    } cases[] = {
        {"fresh map: nothing drawn", -1, -1, 1.0f, 1.0f, 0x0000FF, terrainSolidMode},
        {"base texture", red, -1, 1.0f, 1.0f, 0xFF0000, terrainSolidMode},
        {"corner colours tint", white, -1, 0.5f, 1.0f, 0x808080, terrainSolidMode},
        {"half-covering overlay", white, red, 1.0f, 0.5f, 0xFF8080, terrainSolidMode},
        {"overlay alone over the background", -1, red, 1.0f, 0.5f, 0x800080, terrainSolidMode},
        {"no coverage, no overlay", white, red, 1.0f, 0.0f, 0xFFFFFF, terrainSolidMode},
        {"wire: lines only", red, -1, 1.0f, 1.0f, 0x0000FF, terrainWireMode},
    };
    for (const auto& c : cases) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        land.setTexture(c.base);
        land.sectors[0].setOverlayTexture(c.overlay);
        land.sectors[0].setColours(c.grey, c.grey, c.grey);
        land.sectors[0].setOverlayColours(1, 1, 1, c.alpha);
        land.render(c.mode);
        EXPECT_EQ(land.renderCount, 1);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        std::vector<int> pixels = frame();
        int matching = 0;
        for (int pixel : pixels)
            matching += near(pixel, c.expected == 0x0000FF ? 0xFF0000 : c.expected);
        int expectedCount = c.expected == 0x0000FF ? 0 : 640 * 600;
        if (c.mode == terrainWireMode)
            EXPECT_TRUE(matching > 1000 && matching < 640 * 600 / 4) << c.what << ": " << matching;
        else
            EXPECT_EQ(matching, expectedCount) << c.what;
        EXPECT_TRUE(near(pixels[300 * 800 + 70], 0x0000FF)) << c.what << ": beside the map";
    }
}
