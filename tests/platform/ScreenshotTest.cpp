#include "tests/support/TestSupport.h"

#include "platform/Screenshot.h"
#include "tests/platform/PngReader.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace pngreader;

// A picture whose every pixel says where it is: R = x, G = y, B = x ^ y.
Bytes patternTopFirst(int width, int height) {
    Bytes pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back((unsigned char)x);
            pixels.push_back((unsigned char)y);
            pixels.push_back((unsigned char)(x ^ y));
        }
    }
    return pixels;
}

Bytes flipRows(const Bytes& pixels, int width, int height) {
    Bytes flipped;
    for (int y = height - 1; y >= 0; --y)
        flipped.insert(flipped.end(), pixels.begin() + long(y) * width * 3,
                       pixels.begin() + long(y + 1) * width * 3);
    return flipped;
}

RgbFrame frameOf(const Bytes& pixels, int width, int height, RowOrder order) {
    RgbFrame frame;
    frame.width = width;
    frame.height = height;
    frame.pixels = pixels.data();
    frame.order = order;
    return frame;
}

} // namespace

TEST(PngWriter, RowsOfEitherOrderReadBackTopFirst) {
    TempWorkingDirectory folder;
    Bytes topFirst = patternTopFirst(7, 4);
    for (RowOrder order : {RowOrder::TopFirst, RowOrder::BottomFirst}) {
        Bytes given = order == RowOrder::TopFirst ? topFirst : flipRows(topFirst, 7, 4);
        ASSERT_TRUE(writePng("rows.png", frameOf(given, 7, 4, order)));
        DecodedPng png;
        ASSERT_TRUE(decodePng(readAll(folder.path() + "/rows.png"), png));
        EXPECT_EQ(png.width, 7u);
        EXPECT_EQ(png.height, 4u);
        EXPECT_EQ(png.rgb, topFirst);
    }
}

TEST(BmpWriter, SdlReadsBackTheSameColoursWithPaddedRows) {
    TempWorkingDirectory folder;
    for (int width : {1, 2, 3, 4, 5}) {
        Bytes pixels = patternTopFirst(width, 3);
        ASSERT_TRUE(writeBmp("pad.bmp", frameOf(pixels, width, 3, RowOrder::TopFirst)));
        SDL_Surface* surface = SDL_LoadBMP((folder.path() + "/pad.bmp").c_str());
        ASSERT_NE(surface, nullptr) << SDL_GetError();
        EXPECT_EQ(surface->w, width);
        EXPECT_EQ(surface->h, 3);
        EXPECT_EQ(surface->format->BitsPerPixel, 24);
        SDL_LockSurface(surface);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned char* p =
                    static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch + x * 3;
                Uint32 value = Uint32(p[0]) | Uint32(p[1]) << 8 | Uint32(p[2]) << 16;
                Uint8 r, g, b;
                SDL_GetRGB(value, surface->format, &r, &g, &b);
                EXPECT_EQ(r, x) << width << " " << x << "," << y;
                EXPECT_EQ(g, y);
                EXPECT_EQ(b, x ^ y);
            }
        }
        SDL_UnlockSurface(surface);
        SDL_FreeSurface(surface);
    }
}

TEST(ScreenshotFormat, EmptyFramesAndUnwritablePathsFailWithoutAFile) {
    TempWorkingDirectory folder;
    Bytes pixels = patternTopFirst(2, 2);
    EXPECT_FALSE(writePng("zero.png", frameOf(pixels, 0, 2, RowOrder::TopFirst)));
    EXPECT_FALSE(writeBmp("zero.bmp", frameOf(pixels, 2, -1, RowOrder::TopFirst)));
    RgbFrame noPixels = frameOf(pixels, 2, 2, RowOrder::TopFirst);
    noPixels.pixels = nullptr;
    EXPECT_FALSE(writePng("none.png", noPixels));
    EXPECT_FALSE(writePng("huge.png", frameOf(pixels, 100000, 2, RowOrder::TopFirst)));
    for (const char* name : {"/zero.png", "/huge.png", "/none.png"})
        EXPECT_TRUE(readAll(folder.path() + name).empty()) << name;
    EXPECT_FALSE(writePng("no/such/folder/x.png", frameOf(pixels, 2, 2, RowOrder::TopFirst)));
    EXPECT_FALSE(writeBmp("", frameOf(pixels, 2, 2, RowOrder::TopFirst)));
}
