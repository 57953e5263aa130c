#include "image/Texture.h"
#include "tests/support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

GLint textureParameter(GLenum parameter) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

GLint levelParameter(int level, GLenum parameter) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
}

void fill(Texture& t) {
    size_t n = size_t(t.width) * t.height * t.bytesPerPixel;
    for (size_t i = 0; i < n; ++i)
        t.pixels[i] = uint8_t(i * 11 + 1);
}

GLuint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return GLuint(name);
}

} // namespace

TEST(TextureUpload, NearestModeUploadsRgbaWithFourComponents) {
    ASSERT_TRUE(openTestWindow());
    Texture t;
    t.allocate(4, 2, 4);
    fill(t);
    uint32_t name = t.upload(0);
    EXPECT_EQ(name, t.textureName);
    EXPECT_EQ(boundTexture(), name) << "the new texture stays bound";
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    GLint internal = levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT);
    EXPECT_TRUE(internal == 4 || internal == GL_RGBA) << internal;
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_GT(levelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);

    std::vector<uint8_t> back(32);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(back[i], t.pixels[i]) << i; // alpha included
}

TEST(TextureUpload, RgbImageOfOddWidthUploadsItsPackedRows) {
    ASSERT_TRUE(openTestWindow());
    Texture t;
    t.allocate(3, 3, 3);
    fill(t);
    GLint alignmentBefore = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignmentBefore);
    t.upload(1);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
    GLint alignmentAfter = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignmentAfter);
    EXPECT_EQ(alignmentAfter, alignmentBefore);

    std::vector<uint8_t> back(27);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (int i = 0; i < 27; ++i)
        EXPECT_EQ(back[i], t.pixels[i]) << i;
}

TEST(TextureUpload, MipmapModeBuildsEveryLevel) {
    ASSERT_TRUE(openTestWindow());
    Texture t;
    t.allocate(8, 4, 3);
    fill(t);
    t.upload(2);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(levelParameter(1, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(3, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(3, GL_TEXTURE_HEIGHT), 1);
}

TEST(TextureUpload, OtherModesOnlyReserveAName) {
    ASSERT_TRUE(openTestWindow());
    Texture t;
    t.allocate(2, 2, 4);
    fill(t);
    glBindTexture(GL_TEXTURE_2D, 0);
    uint32_t name = t.upload(7);
    EXPECT_NE(name, 0xFFFFFFFFu);
    EXPECT_NE(name, 0u);
    EXPECT_FALSE(glIsTexture(name)) << "never bound, so not yet a texture object";
    EXPECT_EQ(boundTexture(), 0u);
    Texture other;
    other.allocate(2, 2, 4);
    EXPECT_NE(other.upload(7), name) << "the name stays reserved";
}

TEST(TextureUpload, ImageWithoutPixelsGetsANameAndNoImage) {
    ASSERT_TRUE(openTestWindow());
    Texture unread;
    uint32_t name = unread.upload(2);
    EXPECT_NE(name, 0xFFFFFFFFu);
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(TextureUpload, DrawnTextureShowsTopRowAtTextureRowZero) {
    ASSERT_TRUE(openTestWindow());
    Texture t;
    t.allocate(2, 2, 3);
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    std::copy(rgb, rgb + 12, t.pixels);
    t.upload(0);

    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor3f(1, 1, 1);
    // A square of 100 x 100 pixels: t = 0 at its upper edge.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(100, 200);
    glTexCoord2f(1, 0);
    glVertex2f(200, 200);
    glTexCoord2f(1, 1);
    glVertex2f(200, 100);
    glTexCoord2f(0, 1);
    glVertex2f(100, 100);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glFinish();

    auto pixelAt = [](int x, int y) {
        std::vector<uint8_t> p(4);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        return p;
    };
    std::vector<uint8_t> upperLeft = pixelAt(125, 175);
    std::vector<uint8_t> upperRight = pixelAt(175, 175);
    std::vector<uint8_t> lowerLeft = pixelAt(125, 125);
    EXPECT_GT(upperLeft[0], 200);
    EXPECT_LT(upperLeft[1], 50);
    EXPECT_GT(upperRight[1], 200);
    EXPECT_LT(upperRight[0], 50);
    EXPECT_GT(lowerLeft[2], 200);
    EXPECT_LT(lowerLeft[0], 50);
}
