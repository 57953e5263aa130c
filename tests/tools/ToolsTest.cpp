// The data tools' BMP writer: every demo image goes through it. The data set
// itself is checked by the end-to-end runs, which generate and load it.
#include "tests/support/TestSupport.h"
#include "tools/BmpWriter.h"

#include <gtest/gtest.h>

namespace {

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
           (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}

} // namespace

TEST(BmpWriter, BottomUpBgrRowsPaddedToFourBytesAfterA54ByteHeader) {
    RgbImage image(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.set(x, y, uint8_t(10 * x + 1), uint8_t(10 * y + 2), uint8_t(x + y + 3));
    std::string file = bmp::encode24(image);
    ASSERT_EQ(file.size(), 54u + 24u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(le32(file, 2), file.size());
    EXPECT_EQ(le32(file, 10), 54u);
    EXPECT_EQ(le32(file, 18), 3u);
    EXPECT_EQ(le32(file, 22), 2u);
    EXPECT_EQ(uint8_t(file[28]), 24);
    // First stored row is the bottom one (y = 1), blue first; padding is zero.
    EXPECT_EQ(std::string(file, 54, 3), std::string("\x04\x0c\x01", 3));
    EXPECT_EQ(std::string(file, 63, 3), std::string(3, '\0'));
    EXPECT_EQ(std::string(file, 72, 3), std::string("\x05\x02\x15", 3)); // (2, 0)

    TempWorkingDirectory dir;
    ASSERT_TRUE(bmp::write24(dir.path() + "/p.bmp", image));
    EXPECT_EQ(dir.readFile("p.bmp"), file);
    EXPECT_FALSE(bmp::write24(dir.path() + "/missing/folder/p.bmp", image));
}
