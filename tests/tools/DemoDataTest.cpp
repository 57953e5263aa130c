#include "tools/DemoData.h"
#include "tests/support/TestSupport.h"
#include "tools/TerrainTextures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
           (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}

// Largest difference between neighbouring pixels across the texture's wrap
// seam compared with inside it: a seamless tile has no jump at the seam.
int seamJump(const RgbImage& t) {
    int jump = 0;
    for (int i = 0; i < t.width; ++i) {
        for (int c = 0; c < 3; ++c) {
            jump = std::max(jump, std::abs(t.at(t.width - 1, i)[c] - t.at(0, i)[c]));
            jump = std::max(jump, std::abs(t.at(i, t.height - 1)[c] - t.at(i, 0)[c]));
        }
    }
    return jump;
}

int innerJump(const RgbImage& t) {
    int jump = 0;
    for (int i = 0; i < t.width; ++i) {
        for (int c = 0; c < 3; ++c) {
            jump = std::max(jump, std::abs(t.at(127, i)[c] - t.at(128, i)[c]));
            jump = std::max(jump, std::abs(t.at(i, 127)[c] - t.at(i, 128)[c]));
        }
    }
    return jump;
}

} // namespace

TEST(DemoData, WritesEveryFileAsA24BitBmpOfItsSize) {
    TempWorkingDirectory dir;
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(demodata::writeAll(dir.path() + "/root", written, error)) << error;
    struct Expected {
        const char* path;
        uint32_t side;
    };
    const Expected files[] = {
        {"data/textures/ascii.bmp", 256}, {"data/maps/island.bmp", 1025},
        {"data/textures/grass.bmp", 256}, {"data/textures/darkgrass.bmp", 256},
        {"data/textures/sand.bmp", 256},  {"data/textures/rock.bmp", 256},
        {"data/masks/grass.bmp", 1025},   {"data/masks/darkgrass.bmp", 1025},
        {"data/masks/sand.bmp", 1025},    {"data/masks/rock.bmp", 1025},
    };
    const size_t bmpCount = sizeof files / sizeof files[0];
    ASSERT_GE(written.size(), bmpCount);
    for (size_t i = 0; i < bmpCount; ++i) {
        EXPECT_EQ(written[i], files[i].path);
        std::string bytes = dir.readFile(std::string("root/") + files[i].path);
        ASSERT_GE(bytes.size(), 54u) << files[i].path;
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(le32(bytes, 18), files[i].side) << files[i].path;
        EXPECT_EQ(le32(bytes, 22), files[i].side) << files[i].path;
        EXPECT_EQ(uint8_t(bytes[28]), 24);
        EXPECT_EQ(bytes.size(), le32(bytes, 2));
    }
    // The rest are MPC images of a power-of-two size and M3A models.
    for (size_t i = bmpCount; i < written.size(); ++i) {
        std::string bytes = dir.readFile("root/" + written[i]);
        ASSERT_GE(bytes.size(), 22u) << written[i];
        uint32_t magic = le32(bytes, 0) & 0xFFFF,
                 width = magic == 200 ? le32(bytes, 2) & 0xFFFF : 0;
        if (magic == 200) {
            EXPECT_EQ(width & (width - 1), 0u) << written[i];
            EXPECT_EQ(bytes.size(), 22 + width * width * (le32(bytes, 6) & 0xFFFF)) << written[i];
        } else {
            EXPECT_EQ(magic, 100u) << written[i];
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/root/data/records"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/root/data/dumps"));
}

TEST(DemoData, ReportsARootThatCannotHoldFolders) {
    TempWorkingDirectory dir;
    dir.writeFile("plainfile", "x");
    std::vector<std::string> written;
    std::string error;
    EXPECT_FALSE(demodata::writeAll(dir.path() + "/plainfile", written, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(written.empty());
}

TEST(TerrainTextures, TileWithoutSeams) {
    const RgbImage textures[] = {terraintextures::grass(), terraintextures::darkGrass(),
                                 terraintextures::sand(), terraintextures::rock()};
    for (const RgbImage& t : textures) {
        ASSERT_EQ(t.width, 256);
        ASSERT_EQ(t.height, 256);
        // The seam is no rougher than an ordinary line through the middle.
        EXPECT_LE(seamJump(t), innerJump(t) + 8);
    }
}
