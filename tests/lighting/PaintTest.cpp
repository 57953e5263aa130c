// Texture painting: how two layers share a cell, masks painted onto the canvas
// grid with their bad inputs, and the canvas written into the terrain faces.
// Textures are uploaded, so these tests open the GL window.

#include "tests/support/BmpFiles.h"
#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "lighting/PaintCanvas.h"
#include "lighting/PaintCell.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace {

const uint32_t none = PaintCell::noTexture;

// A mask whose red channel is red(x, y), y = 0 the top row; green and blue
// carry noise that painting must ignore.
void writeMask(const char* path, int width, int height, const std::function<int(int, int)>& red) {
    writeBmp(path, width, height, [&](int x, int y) {
        return redOnly(red(x, y)) | uint32_t(x * 13 % 256) << 8 | uint32_t(200 + y);
    });
}

const char* textureA = "data\\textures\\a.bmp";
const char* textureB = "data\\textures\\b.bmp";

int white(int, int) {
    return 255;
}

// A map of 2 x 2 sectors of 5 x 5 vertices one unit apart: a 9 x 9 canvas
// whose 8 x 8 paintable cells match an 8 x 8 mask.
class PaintCanvasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow());
        std::filesystem::create_directories("data/dumps");
        writeMask("data/textures/a.bmp", 4, 4, white);
        writeMask("data/textures/b.bmp", 4, 4, white);
        map.newMap(8, 8, 4, 1.0f, 1.0f);
    }

    uint32_t nameOf(const char* path) const {
        return map.textures.textureNameAt(map.textures.findByName(path));
    }

    // Which cells hold a texture on a layer, as a string of 0s and 1s by rows.
    std::string painted(int layer) const {
        std::string cells;
        for (int r = 0; r < canvas.height; r++)
            for (int c = 0; c < canvas.width; c++)
                cells += canvas.cellAt(c, r).texture[layer] != none ? '1' : '0';
        return cells;
    }

    TempWorkingDirectory dir;
    Landscape map;
    PaintCanvas canvas;
};

TEST_F(PaintCanvasTest, MasksPaintTheCellsTheyCoverThroughTheRedChannel) {
    canvas.begin(&map);
    ASSERT_EQ(canvas.cellCount, 81);
    writeMask("all.bmp", 9, 9, white); // covers the last row and column too
    writeMask("corner.bmp", 8, 8, [](int x, int y) { return x < 4 && y < 2 ? 128 : 0; });
    writeMask("small.bmp", 3, 2, [](int x, int y) { return x == 1 && y == 0 ? 1 : 50 * y + x + 5; });
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("corner.bmp", textureB, 0));
    ASSERT_TRUE(canvas.mapTexture("small.bmp", textureB, 1));
    for (int i = 0; i < 81; i++) { // the last row and column stay unpainted
        EXPECT_EQ(painted(0)[size_t(i)], i % 9 < 8 && i < 72 ? '1' : '0') << i;
        EXPECT_EQ(painted(1)[size_t(i)], i % 9 < 3 && i < 18 ? '1' : '0') << i;
    }
    EXPECT_EQ(canvas.cellAt(3, 1).texture[0], nameOf(textureB)) << "top left is the picture's";
    EXPECT_FLOAT_EQ(canvas.cellAt(3, 1).weight[0], 128 * 0.003921569f);
    EXPECT_EQ(canvas.cellAt(4, 1).texture[0], nameOf(textureA)) << "black leaves cells alone";
    EXPECT_FLOAT_EQ(canvas.cellAt(1, 0).weight[1], 1 * 0.003921569f);
    EXPECT_FLOAT_EQ(canvas.cellAt(2, 1).weight[1], 57 * 0.003921569f) << "rows 3 pixels apart";
    EXPECT_FLOAT_EQ(canvas.cellAt(7, 7).weight[0], 255 * 0.003921569f);
}

TEST_F(PaintCanvasTest, BadMasksLayersAndCanvasesPaintNothing) {
    writeMask("m.bmp", 8, 8, white);
    dir.writeFile("broken.bmp", "BM this is not a picture");
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 0)) << "no canvas yet";
    canvas.begin(&map);
    EXPECT_FALSE(canvas.mapTexture("missing.bmp", textureA, 0));
    EXPECT_FALSE(canvas.mapTexture("broken.bmp", textureA, 0));
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 2));
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, -1));
    EXPECT_EQ(painted(0) + painted(1), std::string(162, '0'));
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    // A missing dump folder stops nothing; it is said once per run on standard
    // error, not in a box (an earlier test of this program may have said it).
    std::filesystem::remove_all("data/dumps");
    startCapturingMessages();
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureB, 1));
    std::vector<std::string> log = stopCapturingMessages();
    EXPECT_LE(log.size(), 1u);
    for (const std::string& line : log)
        EXPECT_EQ(line, "kestu: could not write the mask dump data\\dumps\\facit.bmp");
    map.release();
    map.newMap(16, 16, 4, 0.5f, 0.5f); // the same Landscape, now a larger grid
    EXPECT_FALSE(canvas.finish());
    for (const Sector& s : map.sectors)
        for (const FaceTextures& f : s.textures)
            ASSERT_EQ(f.baseTexture, -1);
}

TEST_F(PaintCanvasTest, FinishWritesTexturesAndOverlayAlphaIntoTheFaces) {
    for (Sector& s : map.sectors)
        s.setOverlayColours(0.1f, 0.2f, 0.3f, 0.9f);
    canvas.begin(&map);
    writeMask("all.bmp", 8, 8, white);
    // The overlay's edge steps one cell left from row 2 on; column 1 is half covered.
    writeMask("left.bmp", 8, 8,
              [](int x, int y) { return x < (y < 2 ? 4 : 3) ? (x == 1 ? 128 : 255) : 0; });
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("left.bmp", textureB, 1));
    ASSERT_TRUE(canvas.finish());
    const int32_t a = int32_t(nameOf(textureA)), b = int32_t(nameOf(textureB));
    auto face = [&](int c, int r, int which) {
        return map.sectorAt(0, 0).face(int32_t(2 * (r * 4 + c) + which));
    };
    EXPECT_EQ(face(1, 1, 0).baseTexture, a);
    EXPECT_EQ(face(1, 1, 0).overlayTexture, b);
    EXPECT_NEAR(face(1, 1, 0).overlayColour[0].a, 0.2012f, 1e-4f) << "128^2 / (128^2 + 255^2)";
    // Cells (2, 1) and (3, 1) along the edge: each corner takes the coverage
    // of its own canvas cell; corners beyond the edge get 0.
    const float edge[2][2][3] = {{{0.5f, 0.5f, 0.5f}, {0.0f, 0.5f, 0.5f}},
                                 {{0.5f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}}};
    for (int c = 2; c < 4; c++)
        for (int which = 0; which < 2; which++)
            for (int k = 0; k < 3; k++)
                EXPECT_FLOAT_EQ(face(c, 1, which).overlayColour[k].a, edge[c - 2][which][k])
                    << c << which << k;
    for (int j = 0; j < 2; j++)
        for (int32_t k = 0; k < map.sectorAt(1, j).faceCount; ++k) {
            const SectorFace f = map.sectorAt(1, j).face(k);
            ASSERT_EQ(f.baseTexture, a);
            ASSERT_EQ(f.overlayTexture, -1);
            ASSERT_FLOAT_EQ(f.overlayColour[0].a + f.overlayColour[1].a + f.overlayColour[2].a, 0);
        }
}

} // namespace
