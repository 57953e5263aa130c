#include "tests/support/TestSupport.h"

#include "platform/Screenshot.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint32_t bigEndian32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
           uint32_t(b[at + 3]);
}

// Bit-by-bit CRC-32, written independently of the writer's table version.
uint32_t slowCrc(const unsigned char* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

struct DecodedPng {
    uint32_t width = 0, height = 0;
    Bytes rgb; // top row first
};

// A minimal PNG reader for what the writer may produce: 8-bit RGB, stored
// deflate blocks, filter 0. Every CRC, the zlib header, the block lengths and
// the Adler-32 are checked; anything unexpected fails the test.
bool decodePng(const Bytes& file, DecodedPng& out) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_GE(file.size(), 8u);
    if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin())) {
        ADD_FAILURE() << "no PNG signature";
        return false;
    }
    Bytes zlib;
    bool sawHeader = false, sawEnd = false;
    size_t at = 8;
    while (at + 12 <= file.size() && !sawEnd) {
        uint32_t length = bigEndian32(file, at);
        std::string type(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        if (at + 12 + length > file.size()) {
            ADD_FAILURE() << "chunk " << type << " runs past the file";
            return false;
        }
        const unsigned char* typeAndData = file.data() + at + 4;
        if (slowCrc(typeAndData, 4 + length) != bigEndian32(file, at + 8 + length)) {
            ADD_FAILURE() << "bad CRC on chunk " << type;
            return false;
        }
        const unsigned char* data = typeAndData + 4;
        if (type == "IHDR") {
            EXPECT_EQ(length, 13u);
            out.width = bigEndian32(file, at + 8);
            out.height = bigEndian32(file, at + 12);
            EXPECT_EQ(data[8], 8) << "bit depth";
            EXPECT_EQ(data[9], 2) << "colour type RGB";
            EXPECT_EQ(data[12], 0) << "not interlaced";
            sawHeader = true;
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + length);
        } else if (type == "IEND") {
            sawEnd = true;
            EXPECT_EQ(at + 12, file.size()) << "bytes after IEND";
        }
        at += 12 + length;
    }
    if (!sawHeader || !sawEnd || zlib.size() < 6) {
        ADD_FAILURE() << "missing IHDR, IDAT or IEND";
        return false;
    }
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0) << "zlib header check bits";
    EXPECT_EQ(zlib[0] & 0x0F, 8) << "deflate";
    Bytes raw;
    size_t p = 2;
    bool last = false;
    while (!last) {
        if (p + 5 > zlib.size() || (zlib[p] & 0x06) != 0) {
            ADD_FAILURE() << "expected a stored deflate block at " << p;
            return false;
        }
        last = (zlib[p] & 1) != 0;
        unsigned len = zlib[p + 1] | zlib[p + 2] << 8;
        unsigned nlen = zlib[p + 3] | zlib[p + 4] << 8;
        EXPECT_EQ(len ^ 0xFFFFu, nlen);
        p += 5;
        if (p + len > zlib.size()) {
            ADD_FAILURE() << "stored block runs past the stream";
            return false;
        }
        raw.insert(raw.end(), zlib.begin() + long(p), zlib.begin() + long(p + len));
        p += len;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(p + 4, zlib.size());
    EXPECT_EQ(bigEndian32(zlib, p), (b << 16) | a) << "Adler-32";
    size_t rowBytes = size_t(out.width) * 3;
    if (raw.size() != (rowBytes + 1) * out.height) {
        ADD_FAILURE() << "image data has " << raw.size() << " bytes";
        return false;
    }
    for (uint32_t y = 0; y < out.height; ++y) {
        EXPECT_EQ(raw[y * (rowBytes + 1)], 0) << "filter type of row " << y;
        out.rgb.insert(out.rgb.end(), raw.begin() + long(y * (rowBytes + 1) + 1),
                       raw.begin() + long((y + 1) * (rowBytes + 1)));
    }
    return true;
}

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

TEST(PngWriter, SmallPictureRoundTrips) {
    TempWorkingDirectory folder;
    Bytes pixels = patternTopFirst(5, 3);
    ASSERT_TRUE(writePng("small.png", frameOf(pixels, 5, 3, RowOrder::TopFirst)));
    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(folder.path() + "/small.png"), png));
    EXPECT_EQ(png.width, 5u);
    EXPECT_EQ(png.height, 3u);
    EXPECT_EQ(png.rgb, pixels);
}

TEST(PngWriter, BottomFirstRowsAreWrittenTopFirst) {
    TempWorkingDirectory folder;
    Bytes topFirst = patternTopFirst(7, 4);
    Bytes bottomFirst = flipRows(topFirst, 7, 4);
    ASSERT_TRUE(writePng("flip.png", frameOf(bottomFirst, 7, 4, RowOrder::BottomFirst)));
    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(folder.path() + "/flip.png"), png));
    EXPECT_EQ(png.rgb, topFirst);
}

TEST(PngWriter, AWindowSizedFrameSpansManyStoredBlocks) {
    TempWorkingDirectory folder;
    Bytes pixels = patternTopFirst(800, 600);
    ASSERT_TRUE(writePng("window.png", frameOf(pixels, 800, 600, RowOrder::TopFirst)));
    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(folder.path() + "/window.png"), png));
    EXPECT_EQ(png.width, 800u);
    EXPECT_EQ(png.height, 600u);
    EXPECT_TRUE(png.rgb == pixels);
}

TEST(PngWriter, DataOfExactlyOneFullBlockAndOneByteMore) {
    // 28 pixels make 85-byte rows with the filter byte; 771 rows fill one
    // stored block (65535 bytes) exactly, 772 rows spill into a second.
    TempWorkingDirectory folder;
    for (int rows : {771, 772}) {
        Bytes pixels = patternTopFirst(28, rows);
        ASSERT_TRUE(writePng("edge.png", frameOf(pixels, 28, rows, RowOrder::TopFirst)));
        DecodedPng png;
        ASSERT_TRUE(decodePng(readAll(folder.path() + "/edge.png"), png)) << rows;
        EXPECT_TRUE(png.rgb == pixels) << rows;
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

TEST(BmpWriter, BottomFirstFramesKeepTheirTopRowOnTop) {
    TempWorkingDirectory folder;
    Bytes topFirst = patternTopFirst(3, 2);
    ASSERT_TRUE(writeBmp("o.bmp", frameOf(flipRows(topFirst, 3, 2), 3, 2, RowOrder::BottomFirst)));
    Bytes file = readAll(folder.path() + "/o.bmp");
    ASSERT_EQ(file.size(), 54u + 2u * 12u);
    // The last row in the file is the top row of the picture: pixel (1, 0) is B,G,R = 1,0,1.
    EXPECT_EQ(file[54 + 12 + 3], 1);
    EXPECT_EQ(file[54 + 12 + 4], 0);
    EXPECT_EQ(file[54 + 12 + 5], 1);
}

TEST(ScreenshotFormat, PngOnlyForPngNames) {
    EXPECT_TRUE(namesPng("shot.png"));
    EXPECT_TRUE(namesPng("../a/b.PNG"));
    EXPECT_FALSE(namesPng("shot.bmp"));
    EXPECT_FALSE(namesPng("png"));
    EXPECT_FALSE(namesPng("shot.png.bak"));
    EXPECT_FALSE(namesPng(nullptr));

    TempWorkingDirectory folder;
    Bytes pixels = patternTopFirst(2, 2);
    ASSERT_TRUE(writeScreenshot("a.png", frameOf(pixels, 2, 2, RowOrder::TopFirst)));
    ASSERT_TRUE(writeScreenshot("a.shot", frameOf(pixels, 2, 2, RowOrder::TopFirst)));
    EXPECT_EQ(readAll(folder.path() + "/a.png")[1], 'P');
    EXPECT_EQ(readAll(folder.path() + "/a.shot")[0], 'B');
}

TEST(ScreenshotFormat, EmptyFramesAndUnwritablePathsFailWithoutAFile) {
    TempWorkingDirectory folder;
    Bytes pixels = patternTopFirst(2, 2);
    EXPECT_FALSE(writePng("zero.png", frameOf(pixels, 0, 2, RowOrder::TopFirst)));
    EXPECT_FALSE(writeBmp("zero.bmp", frameOf(pixels, 2, -1, RowOrder::TopFirst)));
    RgbFrame noPixels;
    noPixels.width = 2;
    noPixels.height = 2;
    EXPECT_FALSE(writePng("none.png", noPixels));
    EXPECT_FALSE(writePng("huge.png", frameOf(pixels, 100000, 2, RowOrder::TopFirst)));
    EXPECT_TRUE(readAll(folder.path() + "/zero.png").empty());
    EXPECT_TRUE(readAll(folder.path() + "/huge.png").empty());
    EXPECT_FALSE(writePng("no/such/folder/x.png", frameOf(pixels, 2, 2, RowOrder::TopFirst)));
    EXPECT_FALSE(writeBmp("", frameOf(pixels, 2, 2, RowOrder::TopFirst)));
}
