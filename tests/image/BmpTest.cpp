#include "image/Texture.h"
#include "tests/image/ImageFiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace imagefiles;

namespace {

// A picture whose every byte depends on its position and channel.
std::vector<uint8_t> patterned(int width, int height) {
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 7 + 3);
    return rgb;
}

bool hasLine(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

} // namespace

TEST(BmpLoad, BlueFirstPixelReadsAsRgb) {
    TempWorkingDirectory dir;
    std::vector<uint8_t> rgb = {0, 0, 255, 255, 0, 0, 0, 255, 0, 10, 20, 30};
    dir.writeFile("blue.bmp", bmp24(2, 2, rgb));
    Texture image;
    startCapturingMessages();
    ASSERT_TRUE(image.loadBmp("blue.bmp"));
    EXPECT_TRUE(stopCapturingMessages().empty()) << "a 24-bit picture loads without a word";
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bytesPerPixel, 3);
    // The top row of the picture is row 0, channels in R, G, B order.
    for (size_t i = 0; i < rgb.size(); ++i)
        EXPECT_EQ(image.pixels[i], rgb[i]) << i;
}

TEST(BmpLoad, PaddedRowsOfOddWidthsArePacked) {
    TempWorkingDirectory dir;
    for (int width : {1, 2, 3, 5, 7}) {
        std::vector<uint8_t> rgb = patterned(width, 3);
        dir.writeFile("odd.bmp", bmp24(width, 3, rgb));
        Texture image;
        ASSERT_TRUE(image.loadBmp("odd.bmp")) << width;
        ASSERT_EQ(image.width, width);
        EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), image.pixels)) << "width " << width;
    }
}

TEST(BmpLoad, PaletteImageWarnsAndKeepsItsColours) {
    TempWorkingDirectory dir;
    std::vector<uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 128, 255, 200, 100, 50};
    std::vector<uint8_t> indices = {1, 2, 3, 0, 3, 2};
    dir.writeFile("eight.bmp", bmp8(3, 2, palette, indices));
    Texture image;
    startCapturingMessages();
    bool loaded = image.loadBmp("eight.bmp");
    std::vector<std::string> log = stopCapturingMessages();
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(hasLine(log, "[] FEEL!"));
    EXPECT_EQ(image.bytesPerPixel, 3);
    for (int i = 0; i < 6; ++i) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(image.pixels[i * 3 + c], palette[indices[i] * 3 + c]) << i << "/" << c;
    }
}

TEST(BmpLoad, UnreadableFilesFailSilently) {
    TempWorkingDirectory dir;
    dir.writeFile("garbage.bmp", "this is not a picture");
    Texture image;
    image.allocate(1, 1, 3);
    startCapturingMessages();
    EXPECT_FALSE(image.loadBmp("garbage.bmp"));
    EXPECT_FALSE(image.loadBmp("missing.bmp"));
    EXPECT_TRUE(stopCapturingMessages().empty());
    EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpSave, RgbImageRoundTripsAsTwentyFourBitFile) {
    TempWorkingDirectory dir;
    Texture image;
    image.allocate(5, 3, 3);
    std::vector<uint8_t> rgb = patterned(5, 3);
    std::copy(rgb.begin(), rgb.end(), image.pixels);
    ASSERT_TRUE(image.saveBmp("out.bmp"));

    std::string file = dir.readFile("out.bmp");
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(get32(file, 18), 5u);
    EXPECT_EQ(get32(file, 22), 3u); // positive: bottom-up rows, first row at the top
    EXPECT_EQ(get16(file, 28), 24u);
    Rgb topLeft = bmpPixel(file, 0, 0);
    EXPECT_EQ(topLeft.r, rgb[0]);
    EXPECT_EQ(topLeft.g, rgb[1]);
    EXPECT_EQ(topLeft.b, rgb[2]);

    Texture back;
    ASSERT_TRUE(back.loadBmp("out.bmp"));
    EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), back.pixels));
}

TEST(BmpSave, AlphaIsDropped) {
    TempWorkingDirectory dir;
    Texture image;
    image.allocate(3, 1, 4);
    const uint8_t rgba[] = {255, 0, 0, 7, 0, 255, 0, 8, 1, 2, 3, 9};
    std::copy(rgba, rgba + 12, image.pixels);
    std::filesystem::create_directories("data/dumps");
    ASSERT_TRUE(image.saveBmp("data\\dumps\\rgba.bmp"));

    std::string file = dir.readFile("data/dumps/rgba.bmp");
    EXPECT_EQ(get16(file, 28), 24u);
    for (int x = 0; x < 3; ++x) {
        Rgb p = bmpPixel(file, x, 0);
        EXPECT_EQ(p.r, rgba[x * 4]);
        EXPECT_EQ(p.g, rgba[x * 4 + 1]);
        EXPECT_EQ(p.b, rgba[x * 4 + 2]);
    }
}

TEST(BmpSave, OtherPixelSizesWriteNothing) {
    TempWorkingDirectory dir;
    Texture image;
    image.allocate(2, 2, 1);
    EXPECT_FALSE(image.saveBmp("one.bmp"));
    EXPECT_FALSE(std::filesystem::exists("one.bmp"));
}

TEST(BmpSave, FailuresAreReportedAndNothingIsWritten) {
    TempWorkingDirectory dir;
    Texture unread; // never filled: no pixels
    unread.bytesPerPixel = 3;
    startCapturingMessages();
    EXPECT_FALSE(unread.saveBmp("none.bmp"));
    Texture image;
    image.allocate(1, 1, 3);
    EXPECT_FALSE(image.saveBmp("no/such/folder/x.bmp"));
    std::vector<std::string> log = stopCapturingMessages();
    EXPECT_FALSE(std::filesystem::exists("none.bmp"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "[Mpc Error] Could not save BMP"), 2);
}

TEST(BmpLoad, HeadersThatDeclareMoreThanTheFileHoldsAreRefused) {
    // Refused before SDL is asked to allocate the declared picture (440 MB for
    // the 38-byte file, 13 GB for 65535 x 65535).
    TempWorkingDirectory dir;
    const std::string good = bmp24(3, 2, patterned(3, 2));
    auto withWord = [&](size_t at, uint32_t value) {
        std::string b = good;
        for (int k = 0; k < 4; ++k)
            b[at + k] = char(value >> (8 * k));
        return b;
    };
    struct Case {
        const char* what;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"a complete file", good, true},
        {"rows stored top first", withWord(22, uint32_t(-2)), true},
        {"2304 x 64000 in 38 bytes", bmpHeaders(2304, 64000, 24, 0, 0).substr(0, 38), false},
        {"65535 x 65535", bmpHeaders(65535, 65535, 24, 0, 0) + std::string(64, 'x'), false},
        {"rows stored top first, declared too tall",
         bmpHeaders(3, -40000, 24, 0, 0) + std::string(64, 'x'), false},
        {"the last row's padding missing", good.substr(0, good.size() - 3), false},
        {"a header cut short", good.substr(0, 30), false},
        {"RLE compression", withWord(30, 1), false},
    };
    for (const Case& c : cases) {
        dir.writeFile("declared.bmp", c.bytes);
        Texture image;
        EXPECT_EQ(image.loadBmp("declared.bmp"), c.accepted) << c.what;
        EXPECT_EQ(image.pixels != nullptr, c.accepted) << c.what;
    }
}
