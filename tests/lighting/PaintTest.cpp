// Texture painting: the cell rules, the canvas grid, painting through masks and
// writing the result into the terrain faces. Masks and textures are real BMP
// files written into a temporary folder; textures are uploaded, so the canvas
// tests open the GL window (run under Xvfb).

#include "tests/support/TestSupport.h"

#include "image/Texture.h"
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

// ---------------------------------------------------------------------------
// PaintCell

TEST(PaintCell, AssignFillsOneLayerAndRefusesOthers) {
    PaintCell cell;
    cell.assign(5, 0.5f, 2);
    cell.assign(5, 0.5f, -1);
    EXPECT_EQ(cell.texture[0], none);
    EXPECT_EQ(cell.texture[1], none);
    EXPECT_FLOAT_EQ(cell.weight[1], -1.0f);
    cell.assign(7, 1.0f, 0);
    cell.assign(7, 1.0f, 1);
    EXPECT_EQ(cell.layerOf(7), 0); // the base is looked at first
    EXPECT_EQ(cell.layerOf(8), -1);
}

TEST(PaintCell, CoverageWhereOnlyOneLayerOrAnotherTextureIsPainted) {
    PaintCell overlayOnly;
    overlayOnly.assign(2, 0.1f, 1);
    EXPECT_FLOAT_EQ(overlayOnly.overlayWeight(2, 1), 1.0f);
    PaintCell both;
    both.assign(1, 1.0f, 0);
    both.assign(2, 1.0f, 1);
    EXPECT_FLOAT_EQ(both.overlayWeight(3, 1), 0.0f); // not this layer's texture: 1 - layer
    EXPECT_FLOAT_EQ(both.overlayWeight(3, 0), 1.0f);
    PaintCell baseOnly;
    baseOnly.assign(1, 1.0f, 0);
    EXPECT_FLOAT_EQ(baseOnly.overlayWeight(none, 1), 0.0f);
    PaintCell zeros;
    zeros.assign(1, 0.0f, 0);
    zeros.assign(2, 0.0f, 1);
    EXPECT_FLOAT_EQ(zeros.overlayWeight(2, 1), 0.5f);
}

TEST(PaintCell, OverlayCoversInProportionToSquaredWeights) {
    PaintCell cell;
    cell.assign(1, 1.0f, 0);
    cell.assign(2, 1.0f, 1);
    EXPECT_FLOAT_EQ(cell.overlayWeight(2, 1), 0.5f);
    cell.assign(2, 0.5f, 1);
    EXPECT_FLOAT_EQ(cell.overlayWeight(2, 1), 0.2f);
    cell.assign(1, 0.5f, 0);
    cell.assign(2, 1.0f, 1);
    EXPECT_FLOAT_EQ(cell.overlayWeight(2, 1), 0.8f);
}

// ---------------------------------------------------------------------------
// Files for the canvas tests

// Writes a 24-bit BMP whose red channel is red(x, y), y = 0 the top row of the
// picture; green and blue carry noise that painting must ignore.
void writeMask(const char* path, int width, int height, const std::function<int(int, int)>& red) {
    Texture image;
    image.allocate(width, height, 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t* p = image.pixels + (size_t(y) * width + x) * 3;
            p[0] = uint8_t(red(x, y));
            p[1] = uint8_t(x * 13);
            p[2] = uint8_t(200 + y);
        }
    ASSERT_TRUE(image.saveBmp(path));
}

const char* textureA = "data\\textures\\a.bmp";
const char* textureB = "data\\textures\\b.bmp";

// A map of 2 x 2 sectors, each 5 x 5 vertices one unit apart: a 9 x 9 canvas
// whose 8 x 8 paintable cells match an 8 x 8 mask.
class PaintCanvasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow()) << "the canvas tests need a display (run under Xvfb)";
        std::filesystem::create_directories("data/dumps");
        std::filesystem::create_directories("data/textures");
        writeMask(textureA, 4, 4, [](int, int) { return 200; });
        writeMask(textureB, 4, 4, [](int, int) { return 40; });
        map.newMap(8, 8, 4, 1.0f, 1.0f);
        ASSERT_EQ(map.sectorCount, 4);
        ASSERT_EQ(map.sectors[0].columns, 5);
    }

    uint32_t nameOf(const char* path) const {
        return map.textures.textureNameAt(map.textures.findByName(path));
    }

    // The two faces of cell (c, r) of sector (i, j).
    const SectorFace& face(int i, int j, int c, int r, int which) const {
        const Sector& s = map.sectorAt(i, j);
        return s.faces[size_t(2) * (size_t(r) * (s.columns - 1) + c) + which];
    }

    TempWorkingDirectory dir;
    Landscape map;
    PaintCanvas canvas;
};

int white(int, int) {
    return 255;
}

// ---------------------------------------------------------------------------
// Canvas grid

TEST_F(PaintCanvasTest, HasOneCellPerDistinctVertexPosition) {
    canvas.begin(&map);
    EXPECT_EQ(canvas.landscape, &map);
    EXPECT_EQ(canvas.width, 9);
    EXPECT_EQ(canvas.height, 9);
    EXPECT_EQ(canvas.cellCount, 81);
    for (int i = 0; i < canvas.cellCount; i++) {
        ASSERT_EQ(canvas.cells[i].texture[0], none);
        ASSERT_EQ(canvas.cells[i].texture[1], none);
        ASSERT_FLOAT_EQ(canvas.cells[i].weight[0], -1.0f);
        ASSERT_FLOAT_EQ(canvas.cells[i].weight[1], -1.0f);
    }
    Landscape wide;
    wide.newMap(12, 8, 4, 0.5f, 0.5f); // 3 x 2 sectors of 9 x 9 vertices
    canvas.begin(&wide);
    EXPECT_EQ(canvas.width, 25);
    EXPECT_EQ(canvas.height, 17);
}

TEST_F(PaintCanvasTest, LandscapeWithoutTerrainGivesAnEmptyCanvas) {
    Landscape empty;
    canvas.begin(&empty);
    EXPECT_EQ(canvas.cells, nullptr);
    EXPECT_EQ(canvas.cellCount, 0);
    EXPECT_EQ(canvas.width, 0);
    EXPECT_EQ(canvas.height, 0);
    canvas.begin(nullptr);
    EXPECT_EQ(canvas.cells, nullptr);
}

TEST_F(PaintCanvasTest, PaintingWithoutACanvasDoesNothing) {
    writeMask("m.bmp", 8, 8, white);
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_FALSE(canvas.finish());
    canvas.begin(&map);
    canvas.release();
    EXPECT_EQ(canvas.cellCount, 0);
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_FALSE(canvas.finish());
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    EXPECT_EQ(map.textures.count, 0);
    EXPECT_EQ(face(0, 0, 0, 0, 0).baseTexture, -1);
}

// ---------------------------------------------------------------------------
// Painting through masks

TEST_F(PaintCanvasTest, MaskByteBecomesWeightThroughTheRedChannelOnly) {
    canvas.begin(&map);
    // Red 255 in the top-left pixel, 1 beside it, 0 (with green and blue set)
    // everywhere else.
    writeMask("m.bmp", 8, 8,
              [](int x, int y) { return y == 0 && x == 0 ? 255 : (y == 0 && x == 1 ? 1 : 0); });
    ASSERT_TRUE(canvas.mapTexture("m.bmp", textureA, 1));
    const uint32_t a = nameOf(textureA);
    ASSERT_NE(a, none);
    EXPECT_EQ(canvas.cellAt(0, 0).texture[1], a);
    EXPECT_NEAR(canvas.cellAt(0, 0).weight[1], 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(canvas.cellAt(0, 0).weight[1], 255 * 0.003921569f);
    EXPECT_EQ(canvas.cellAt(1, 0).texture[1], a);
    EXPECT_NEAR(canvas.cellAt(1, 0).weight[1], 0.0039f, 1e-4);
    EXPECT_EQ(canvas.cellAt(2, 0).texture[1], none);
    EXPECT_EQ(canvas.cellAt(0, 0).texture[0], none); // the other layer is untouched
}

TEST_F(PaintCanvasTest, TopOfThePictureIsSmallestZAndLeftIsSmallestX) {
    canvas.begin(&map);
    writeMask("m.bmp", 8, 8, [](int x, int y) { return x == 6 && y == 1 ? 255 : 0; });
    ASSERT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    int painted = 0;
    for (int r = 0; r < canvas.height; r++)
        for (int c = 0; c < canvas.width; c++)
            painted += canvas.cellAt(c, r).texture[0] != none;
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(canvas.cellAt(6, 1).texture[0], nameOf(textureA));
}

TEST_F(PaintCanvasTest, LastRowAndColumnAreNeverPainted) {
    canvas.begin(&map);
    writeMask("m.bmp", 9, 9, white); // even a mask that covers them
    ASSERT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(canvas.cellAt(i, 8).texture[0], none) << "column " << i;
        EXPECT_EQ(canvas.cellAt(8, i).texture[0], none) << "row " << i;
        EXPECT_NE(canvas.cellAt(i, 7).texture[0], none);
    }
    EXPECT_EQ(canvas.cellAt(8, 8).texture[0], none);
}

TEST_F(PaintCanvasTest, BlackPixelsLeaveCellsAsTheyWere) {
    canvas.begin(&map);
    writeMask("all.bmp", 8, 8, white);
    writeMask("corner.bmp", 8, 8, [](int x, int y) { return x < 4 && y < 4 ? 128 : 0; });
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("corner.bmp", textureB, 0));
    const uint32_t a = nameOf(textureA), b = nameOf(textureB);
    EXPECT_EQ(canvas.cellAt(3, 3).texture[0], b);
    EXPECT_FLOAT_EQ(canvas.cellAt(3, 3).weight[0], 128 * 0.003921569f);
    EXPECT_EQ(canvas.cellAt(4, 3).texture[0], a);
    EXPECT_EQ(canvas.cellAt(3, 4).texture[0], a);
    EXPECT_FLOAT_EQ(canvas.cellAt(7, 7).weight[0], 255 * 0.003921569f);
}

TEST_F(PaintCanvasTest, MaskSmallerThanTheCanvasPaintsOnlyWhatItCovers) {
    canvas.begin(&map);
    writeMask("small.bmp", 3, 2, white);
    ASSERT_TRUE(canvas.mapTexture("small.bmp", textureA, 0));
    for (int r = 0; r < canvas.height; r++)
        for (int c = 0; c < canvas.width; c++)
            EXPECT_EQ(canvas.cellAt(c, r).texture[0] != none, c < 3 && r < 2)
                << "cell " << c << "," << r;
}

TEST_F(PaintCanvasTest, MaskThatCannotBeReadChangesNothing) {
    canvas.begin(&map);
    dir.writeFile("broken.bmp", "BM this is not a picture");
    EXPECT_FALSE(canvas.mapTexture("missing.bmp", textureA, 0));
    EXPECT_FALSE(canvas.mapTexture("broken.bmp", textureA, 0));
    for (int i = 0; i < canvas.cellCount; i++)
        ASSERT_EQ(canvas.cells[i].texture[0], none);
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    // The canvas stays usable.
    writeMask("m.bmp", 8, 8, white);
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
}

TEST_F(PaintCanvasTest, LayerOtherThanZeroOrOneIsRefused) {
    canvas.begin(&map);
    writeMask("m.bmp", 8, 8, white);
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 2));
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, -1));
    for (int i = 0; i < canvas.cellCount; i++) {
        ASSERT_EQ(canvas.cells[i].texture[0], none);
        ASSERT_EQ(canvas.cells[i].texture[1], none);
    }
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    EXPECT_EQ(map.textures.findByName(textureA), -1);
}

TEST_F(PaintCanvasTest, DumpHoldsTheLastMaskExactlyAsRead) {
    canvas.begin(&map);
    auto red = [](int x, int y) { return (x * 31 + y * 17) % 256; };
    writeMask("first.bmp", 8, 8, white);
    writeMask("second.bmp", 11, 5, red); // odd width: padded rows in the file
    ASSERT_TRUE(canvas.mapTexture("first.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("second.bmp", textureB, 1));

    Texture read, dumped;
    ASSERT_TRUE(read.loadBmp("second.bmp"));
    ASSERT_TRUE(dumped.loadBmp(PaintCanvas::dumpPath));
    ASSERT_EQ(dumped.width, 11);
    ASSERT_EQ(dumped.height, 5);
    ASSERT_EQ(dumped.bytesPerPixel, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dumped.pixels), 11 * 5 * 3),
              std::string(reinterpret_cast<const char*>(read.pixels), 11 * 5 * 3));
    EXPECT_EQ(dumped.pixels[(11 * 2 + 3) * 3], uint8_t(red(3, 2)));
}

TEST_F(PaintCanvasTest, MissingDumpFolderDoesNotStopPainting) {
    std::filesystem::remove_all("data/dumps");
    canvas.begin(&map);
    writeMask("m.bmp", 8, 8, white);
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_EQ(canvas.cellAt(0, 0).texture[0], nameOf(textureA));
}

// ---------------------------------------------------------------------------
// Writing the canvas into the faces

TEST_F(PaintCanvasTest, LeftHalfOverlayOverFullBase) {
    for (Sector& s : map.sectors)
        s.setOverlayColours(0.1f, 0.2f, 0.3f, 0.9f);
    canvas.begin(&map);
    writeMask("all.bmp", 8, 8, white);
    writeMask("left.bmp", 8, 8, [](int x, int) { return x < 4 ? 255 : 0; });
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("left.bmp", textureB, 1));
    ASSERT_TRUE(canvas.finish());
    const int32_t a = int32_t(nameOf(textureA)), b = int32_t(nameOf(textureB));

    // Left sectors: base A, overlay B, half coverage where both layers are full.
    const SectorFace& left = face(0, 0, 1, 1, 0);
    EXPECT_EQ(left.baseTexture, a);
    EXPECT_EQ(left.overlayTexture, b);
    for (int k = 0; k < 3; k++) {
        EXPECT_FLOAT_EQ(left.overlayColour[k].a, 0.5f);
        EXPECT_FLOAT_EQ(left.overlayColour[k].g, 0.2f); // only the alpha is painted
        EXPECT_FLOAT_EQ(left.colour[k].x, 1.0f);
    }

    // The last cell column of the left half: corners in the right half get 0.
    const SectorFace& edgeFirst = face(0, 0, 3, 1, 0);
    EXPECT_EQ(edgeFirst.overlayTexture, b);
    EXPECT_FLOAT_EQ(edgeFirst.overlayColour[0].a, 0.5f); // (3, 1)
    EXPECT_FLOAT_EQ(edgeFirst.overlayColour[1].a, 0.0f); // (4, 1)
    EXPECT_FLOAT_EQ(edgeFirst.overlayColour[2].a, 0.5f); // (3, 2)
    const SectorFace& edgeSecond = face(0, 0, 3, 1, 1);
    EXPECT_FLOAT_EQ(edgeSecond.overlayColour[0].a, 0.0f); // (4, 2)
    EXPECT_FLOAT_EQ(edgeSecond.overlayColour[1].a, 0.0f); // (4, 1)
    EXPECT_FLOAT_EQ(edgeSecond.overlayColour[2].a, 0.5f); // (3, 2)

    // Right sectors: base A, no overlay, no coverage.
    for (int j = 0; j < 2; j++) {
        const Sector& s = map.sectorAt(1, j);
        for (const SectorFace& f : s.faces) {
            ASSERT_EQ(f.baseTexture, a);
            ASSERT_EQ(f.overlayTexture, -1);
            for (int k = 0; k < 3; k++)
                ASSERT_FLOAT_EQ(f.overlayColour[k].a, 0.0f);
        }
    }
}

TEST_F(PaintCanvasTest, TerrainThatChangedSizeIsNotWritten) {
    canvas.begin(&map);
    writeMask("all.bmp", 8, 8, white);
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    map.release();
    map.newMap(16, 16, 4, 0.5f, 0.5f); // the same Landscape, now a larger grid
    EXPECT_FALSE(canvas.finish());
    for (const Sector& s : map.sectors)
        for (const SectorFace& f : s.faces)
            ASSERT_EQ(f.baseTexture, -1);
}

} // namespace

TEST_F(PaintCanvasTest, AFailedDumpIsSaidOnceOnStandardErrorNotInABox) {
    std::filesystem::remove_all("data/dumps");
    canvas.begin(&map);
    writeMask("m.bmp", 8, 8, white);
    startCapturingMessages();
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureB, 1));
    std::vector<std::string> log = stopCapturingMessages();
    // Once per run: an earlier test of this program may already have said it.
    EXPECT_LE(log.size(), 1u);
    for (const std::string& line : log)
        EXPECT_EQ(line, "kestu: could not write the mask dump data\\dumps\\facit.bmp");
}
