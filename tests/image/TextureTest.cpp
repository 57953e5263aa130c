// One image: the MPC and BMP readers with their bad inputs, the BMP writer,
// and the upload read back from OpenGL.
#include "image/Texture.h"
#include "tests/image/ImageFiles.h"
#include "tests/support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace imagefiles;

namespace {

std::vector<uint8_t> patterned(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = uint8_t(i * 7 + 3);
    return bytes;
}

GLint levelParameter(int level, GLenum parameter) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
}

} // namespace

TEST(MpcLoad, ReadsPackedRowsAndRefusesWhatIsNotAnImage) {
    TempWorkingDirectory dir;
    const std::string pixels(27, 'p');
    const struct {
        const char* what;
        std::string bytes;
        bool loads;
    } cases[] = {
        {"rgba", mpcHeader(200, 2, 1, 4) + "12345678", true},
        {"rgb with trailing bytes", mpcHeader(200, 3, 3, 3) + pixels + "tail", true},
        {"largest side", mpcHeader(200, 16384, 1, 4) + std::string(65536, 'p'), true},
        {"wrong magic", mpcHeader(201, 1, 1, 3) + "123", false},
        {"short header", std::string("\xC8\0\1\0\1", 5), false},
        {"one byte per pixel", mpcHeader(200, 2, 2, 1) + pixels, false},
        {"too wide", mpcHeader(200, 16385, 1, 4), false},
        // A header alone may ask for a gigabyte; a file cut inside its pixels is no image.
        {"a gigabyte declared in 22 bytes", mpcHeader(200, 16384, 16384, 4), false},
        {"cut inside the pixels", mpcHeader(200, 2, 2, 3) + "\x09\x08\x07\x06", false},
    };
    for (const auto& c : cases) {
        dir.writeFile("data/a.mpc", c.bytes);
        Texture image;
        image.allocate(2, 2, 3); // a previous image is released even on failure
        EXPECT_EQ(image.loadMpc("data\\a.mpc"), c.loads) << c.what;
        ASSERT_EQ(image.pixels != nullptr, c.loads) << c.what;
        size_t n = size_t(image.width) * image.height * image.bytesPerPixel;
        if (c.loads && c.bytes.size() >= 22 + n) {
            EXPECT_EQ(std::string((const char*)image.pixels, n), c.bytes.substr(22, n)) << c.what;
        }
    }
    Texture image;
    EXPECT_FALSE(image.loadMpc("missing.mpc"));
}

TEST(BmpLoad, ReadsOddWidthsAndPalettesAndFailsSilentlyOnGarbage) {
    TempWorkingDirectory dir;
    for (int width : {1, 2, 3, 5}) {
        std::vector<uint8_t> rgb = patterned(size_t(width) * 9);
        ASSERT_TRUE(writeBmp24("odd.bmp", width, 3, rgb));
        Texture image;
        startCapturingMessages();
        ASSERT_TRUE(image.loadBmp("odd.bmp")) << width;
        EXPECT_TRUE(stopCapturingMessages().empty()) << "a 24-bit picture loads without a word";
        ASSERT_EQ(image.width, width);
        EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), image.pixels)) << "width " << width;
    }
    std::vector<uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 128, 255, 200, 100, 50};
    std::vector<uint8_t> indices = {1, 2, 3, 0, 3, 2, 1, 1};
    dir.writeFile("eight.bmp", bmp8(2, palette, indices));
    Texture image;
    startCapturingMessages();
    ASSERT_TRUE(image.loadBmp("eight.bmp"));
    EXPECT_EQ(stopCapturingMessages(), std::vector<std::string>{"[] FEEL!"});
    ASSERT_EQ(image.bytesPerPixel, 3);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(image.pixels[i], palette[indices[i / 3] * 3 + i % 3]) << i;

    dir.writeFile("garbage.bmp", "this is not a picture");
    startCapturingMessages();
    EXPECT_FALSE(image.loadBmp("garbage.bmp"));
    EXPECT_FALSE(image.loadBmp("missing.bmp"));
    EXPECT_TRUE(stopCapturingMessages().empty());
    EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpLoad, HeadersThatDeclareMoreThanTheFileHoldsAreRefused) {
    // Refused before SDL is asked for the declared picture (440 MB for the
    // 38-byte file, 13 GB for 65535 x 65535).
    TempWorkingDirectory dir;
    ASSERT_TRUE(writeBmp24("good.bmp", 3, 2, patterned(18)));
    const std::string good = dir.readFile("good.bmp");
    auto with = [&](std::initializer_list<std::pair<size_t, uint32_t>> words, size_t keep) {
        std::string b = good;
        for (auto [at, value] : words)
            for (int k = 0; k < 4; ++k)
                b[at + k] = char(value >> (8 * k));
        return b.substr(0, keep);
    };
    const size_t all = good.size();
    const struct {
        const char* what;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"a complete file", good, true},
        {"rows stored top first", with({{22, uint32_t(-2)}}, all), true},
        {"2304 x 64000 in 38 bytes", with({{18, 2304}, {22, 64000}}, 38), false},
        {"top first, declared too tall", with({{22, uint32_t(-40000)}}, all), false},
        {"the last row's padding missing", good.substr(0, all - 3), false},
        {"a header cut short", good.substr(0, 30), false},
        {"RLE compression", with({{30, 1}}, all), false},
    };
    for (const auto& c : cases) {
        dir.writeFile("declared.bmp", c.bytes);
        Texture image;
        EXPECT_EQ(image.loadBmp("declared.bmp"), c.accepted) << c.what;
        EXPECT_EQ(image.pixels != nullptr, c.accepted) << c.what;
    }
}

TEST(BmpSave, WritesBottomUpRgbDroppingAlphaAndReportsFailure) {
    TempWorkingDirectory dir;
    Texture image;
    image.allocate(3, 2, 4);
    std::vector<uint8_t> rgba = patterned(24);
    std::copy(rgba.begin(), rgba.end(), image.pixels);
    std::filesystem::create_directories("data/dumps");
    ASSERT_TRUE(image.saveBmp("data\\dumps\\rgba.bmp"));
    std::string file = dir.readFile("data/dumps/rgba.bmp");
    ASSERT_EQ(file.size(), 54u + 2 * 12u);
    EXPECT_EQ(fieldAt<uint32_t>(file, 22),
              2u);               // positive height: the first stored row is the bottom one
    for (int i = 0; i < 18; ++i) // the top row is stored second
        EXPECT_EQ(uint8_t(file[54 + (1 - i / 9) * 12 + i % 9]), rgba[i / 3 * 4 + 2 - i % 3]) << i;
    Texture grey, unread;
    grey.allocate(2, 2, 1);
    unread.bytesPerPixel = 3;
    startCapturingMessages();
    EXPECT_FALSE(grey.saveBmp("one.bmp"));
    EXPECT_FALSE(unread.saveBmp("none.bmp"));
    EXPECT_FALSE(image.saveBmp("no/such/folder/x.bmp"));
    std::vector<std::string> log = stopCapturingMessages();
    EXPECT_FALSE(std::filesystem::exists("one.bmp") || std::filesystem::exists("none.bmp"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "[Mpc Error] Could not save BMP"), 2);
}

TEST(TextureUpload, FilterModesPixelsAndUnpackAlignmentReadBack) {
    ASSERT_TRUE(openTestWindow());
    const struct {
        int filterMode, width, bytesPerPixel;
        GLint mag, min;
    } cases[] = {
        {0, 4, 4, GL_NEAREST, GL_NEAREST},
        {1, 3, 3, GL_LINEAR, GL_LINEAR}, // odd width: packed rows
        {2, 8, 3, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST},
    };
    for (const auto& c : cases) {
        Texture t;
        t.allocate(c.width, 2, c.bytesPerPixel);
        std::vector<uint8_t> bytes = patterned(size_t(c.width) * 2 * c.bytesPerPixel);
        std::copy(bytes.begin(), bytes.end(), t.pixels);
        GLint alignment = 0, mag = 0, min = 0;
        t.upload(uint8_t(c.filterMode));
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        EXPECT_EQ(alignment, 4) << "upload restores the unpack alignment";
        EXPECT_EQ(mag, c.mag);
        EXPECT_EQ(min, c.min);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_ALPHA_SIZE) > 0, c.bytesPerPixel == 4);
        std::vector<uint8_t> back(bytes.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, c.bytesPerPixel == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                      back.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        EXPECT_EQ(back, bytes) << "mode " << c.filterMode;
    }
    EXPECT_EQ(levelParameter(3, GL_TEXTURE_WIDTH), 1) << "every mipmap level is built";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
