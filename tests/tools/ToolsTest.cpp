// The data tools: the BMP writer's byte layout, the demo data set, and the
// island and its paint masks where the demo depends on them.
#include "tests/support/TestSupport.h"
#include "tools/BmpWriter.h"
#include "tools/DemoData.h"
#include "tools/IslandHeightmap.h"
#include "tools/PaintMasks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
           (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}

const IslandHeightmap& island() {
    static const IslandHeightmap made;
    return made;
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

TEST(DemoData, WritesEveryFileAsA24BitBmpOfItsSizeOrReportsFailure) {
    TempWorkingDirectory dir;
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(demodata::writeAll(dir.path() + "/root", written, error)) << error;
    ASSERT_EQ(written.size(), 10u);
    for (const std::string& path : written) {
        std::string bytes = dir.readFile("root/" + path);
        ASSERT_GE(bytes.size(), 54u) << path;
        uint32_t side = path.find("textures") != std::string::npos ? 256u : 1025u;
        EXPECT_EQ(le32(bytes, 18), side) << path;
        EXPECT_EQ(le32(bytes, 22), side) << path;
        EXPECT_EQ(bytes.size(), le32(bytes, 2)) << path;
    }
    dir.writeFile("plainfile", "x");
    written.clear();
    EXPECT_FALSE(demodata::writeAll(dir.path() + "/plainfile", written, error));
    EXPECT_TRUE(written.empty());
}

TEST(Island, SeaAtTheBorderLandWhereTheDemoStands) {
    const int last = IslandHeightmap::size - 1;
    for (int i = 0; i <= last; ++i) {
        ASSERT_EQ(island().heightAt(i, 0) + island().heightAt(i, last), 0.0f) << i;
        ASSERT_EQ(island().heightAt(0, i) + island().heightAt(last, i), 0.0f) << i;
    }
    for (int d = -20; d <= 20; d += 10) {
        EXPECT_GT(island().heightAt(782 + d, 735 - d), IslandHeightmap::shore);
        EXPECT_GT(island().heightAt(200 + d, 200 - d), IslandHeightmap::shore);
    }
}

TEST(PaintMasks, WeightsShareEachVertexAndTheBaseIsNeverBlack) {
    PaintMasks masks(island());
    RgbImage grass = masks.grass();
    for (int row = 0; row < IslandHeightmap::size; row += 5) {
        for (int column = 0; column < IslandHeightmap::size; column += 5) {
            GroundWeights w = masks.weightsAt(column, row);
            float strongest = std::max(w.sand, std::max(w.rock, w.darkGrass));
            ASSERT_GE(grass.at(column, row)[0], 1);
            ASSERT_NEAR(w.grass, std::max(1.0f / 255.0f, 1.0f - strongest), 1e-6f);
            ASSERT_LE(w.darkGrass + w.rock + w.sand, 1.0001f);
        }
    }
    EXPECT_EQ(masks.weightsAt(5, 5).sand, 1.0f);
}
