#include "tools/BmpWriter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
           (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}

uint32_t le16(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8);
}

RgbImage numbered(int width, int height) {
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.set(x, y, uint8_t(10 * x + 1), uint8_t(10 * y + 2), uint8_t(x + y + 3));
    }
    return image;
}

} // namespace

TEST(BmpWriter, HeaderDescribesAnUncompressed24BitPicture) {
    std::string file = bmp::encode24(numbered(3, 2));
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(le32(file, 2), file.size());
    EXPECT_EQ(le32(file, 10), 54u); // pixels right after the headers
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(le32(file, 18), 3u);
    EXPECT_EQ(le32(file, 22), 2u);
    EXPECT_EQ(le16(file, 26), 1u);
    EXPECT_EQ(le16(file, 28), 24u);
    EXPECT_EQ(le32(file, 30), 0u);
    EXPECT_EQ(le32(file, 34), 2u * 12u); // rows of 9 bytes padded to 12
    EXPECT_EQ(file.size(), 54u + 24u);
}

TEST(BmpWriter, RowsAreBottomUpInBgrOrderWithZeroPadding) {
    RgbImage image = numbered(3, 2);
    std::string file = bmp::encode24(image);
    // The first stored row is the picture's bottom row (y = 1).
    EXPECT_EQ(uint8_t(file[54 + 0]), 0 + 1 + 3); // blue of (0, 1)
    EXPECT_EQ(uint8_t(file[54 + 1]), 12);        // green of (0, 1)
    EXPECT_EQ(uint8_t(file[54 + 2]), 1);         // red of (0, 1)
    for (int pad = 9; pad < 12; ++pad)
        EXPECT_EQ(file[54 + pad], 0);
    // The top row follows; its pixel (2, 0).
    size_t at = 54 + 12 + 2 * 3;
    EXPECT_EQ(uint8_t(file[at + 2]), 21);
    EXPECT_EQ(uint8_t(file[at + 1]), 2);
    EXPECT_EQ(uint8_t(file[at + 0]), 5);
}

TEST(BmpWriter, WritesTheFileAndReportsFailure) {
    TempWorkingDirectory dir;
    RgbImage image = numbered(5, 5);
    ASSERT_TRUE(bmp::write24(dir.path() + "/p.bmp", image));
    EXPECT_EQ(dir.readFile("p.bmp"), bmp::encode24(image));
    EXPECT_FALSE(bmp::write24(dir.path() + "/missing/folder/p.bmp", image));
}
