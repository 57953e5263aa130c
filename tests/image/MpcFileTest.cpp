#include "image/Texture.h"
#include "tests/image/ImageFiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace imagefiles;

TEST(MpcLoad, RgbaImageKeepsItsBytesInOrder) {
    TempWorkingDirectory dir;
    dir.writeFile("a.mpc", mpcHeader(200, 2, 1, 4) + bytes({10, 20, 30, 40, 50, 60, 70, 80}));
    Texture image;
    ASSERT_TRUE(image.loadMpc("a.mpc"));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.bytesPerPixel, 4);
    ASSERT_NE(image.pixels, nullptr);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(image.pixels[i], 10 * (i + 1));
    EXPECT_EQ(image.textureName, 0xFFFFFFFFu); // reading does not touch OpenGL
}

TEST(MpcLoad, RgbRowsHaveNoPadding) {
    TempWorkingDirectory dir;
    std::string pixels;
    for (int i = 0; i < 27; ++i)
        pixels += char(i + 1);
    dir.writeFile("rgb.mpc", mpcHeader(200, 3, 3, 3) + pixels + "trailing bytes are ignored");
    Texture image;
    ASSERT_TRUE(image.loadMpc("rgb.mpc"));
    EXPECT_EQ(image.bytesPerPixel, 3);
    // Row 1 starts right after the 9 bytes of row 0; the last byte is the 27th.
    EXPECT_EQ(image.pixels[9], 10);
    EXPECT_EQ(image.pixels[26], 27);
}

TEST(MpcLoad, PathsWithBackslashesAreOpened) {
    TempWorkingDirectory dir;
    dir.writeFile("data/textures/w.mpc", mpcHeader(200, 1, 1, 3) + bytes({7, 8, 9}));
    Texture image;
    ASSERT_TRUE(image.loadMpc("data\\textures\\w.mpc"));
    EXPECT_EQ(image.pixels[0], 7);
}

TEST(MpcLoad, FilesThatAreNotMpcAreRefused) {
    TempWorkingDirectory dir;
    dir.writeFile("wrongmagic.mpc", mpcHeader(201, 1, 1, 3) + bytes({1, 2, 3}));
    dir.writeFile("empty.mpc", "");
    dir.writeFile("onebyte.mpc", bytes({0xC8}));
    dir.writeFile("shortheader.mpc", bytes({0xC8, 0, 1, 0, 1}));
    const char* paths[] = {"wrongmagic.mpc", "empty.mpc", "onebyte.mpc", "shortheader.mpc",
                           "missing.mpc"};
    for (const char* path : paths) {
        Texture image;
        image.allocate(2, 2, 3); // a previous image is released even on failure
        EXPECT_FALSE(image.loadMpc(path)) << path;
        EXPECT_EQ(image.pixels, nullptr) << path;
    }
}

TEST(MpcLoad, UnsupportedPixelSizesAreRefusedBeforeAllocating) {
    TempWorkingDirectory dir;
    const int sizes[] = {0, 1, 2, 5, 0xFFFF};
    for (int bpp : sizes) {
        dir.writeFile("b.mpc", mpcHeader(200, 2, 2, bpp) + std::string(64, 'x'));
        Texture image;
        EXPECT_FALSE(image.loadMpc("b.mpc")) << bpp;
        EXPECT_EQ(image.pixels, nullptr) << bpp;
        EXPECT_EQ(image.width, 0) << "a refused header leaves the fields alone";
    }
}

TEST(MpcLoad, ImageSidesAreLimited) {
    TempWorkingDirectory dir;
    struct Case {
        int width, height;
        bool accepted;
    };
    const Case cases[] = {{16385, 1, false}, {1, 16385, false}, {0xFFFF, 0xFFFF, false},
                          {0, 4, false},     {4, 0, false},     {16384, 1, true}};
    for (const Case& c : cases) {
        dir.writeFile("s.mpc",
                      mpcHeader(200, c.width, c.height, 4) +
                          std::string(c.accepted ? size_t(c.width) * c.height * 4 : 0, 'p'));
        Texture image;
        EXPECT_EQ(image.loadMpc("s.mpc"), c.accepted) << c.width << " x " << c.height;
        EXPECT_EQ(image.pixels != nullptr, c.accepted);
    }
}

TEST(MpcLoad, AFileThatEndsInsideItsPixelsIsRefusedBeforeAllocating) {
    // A 22-byte header alone may ask for a gigabyte; a cut file is not an image.
    TempWorkingDirectory dir;
    struct Case {
        const char* name;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"full.mpc", mpcHeader(200, 2, 2, 3) + std::string(12, char(0x55)), true},
        {"cut.mpc", mpcHeader(200, 2, 2, 3) + bytes({9, 8, 7, 6}), false},
        {"oneshort.mpc", mpcHeader(200, 2, 2, 4) + std::string(15, 'x'), false},
        {"gigabyte.mpc", mpcHeader(200, 16384, 16384, 4), false},
    };
    for (const Case& c : cases) {
        dir.writeFile(c.name, c.bytes);
        Texture image;
        image.allocate(2, 2, 3);
        EXPECT_EQ(image.loadMpc(c.name), c.accepted) << c.name;
        EXPECT_EQ(image.pixels != nullptr, c.accepted) << c.name;
    }
}
