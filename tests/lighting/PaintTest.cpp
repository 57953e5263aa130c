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

TEST(PaintCell, StartsBlankInBothLayers) {
    PaintCell cell;
    EXPECT_EQ(cell.texture[0], none);
    EXPECT_EQ(cell.texture[1], none);
    EXPECT_FLOAT_EQ(cell.weight[0], -1.0f);
    EXPECT_FLOAT_EQ(cell.weight[1], -1.0f);
}

TEST(PaintCell, LayerOfLooksAtTheBaseFirst) {
    PaintCell cell;
    cell.assign(7, 1.0f, 0);
    cell.assign(9, 1.0f, 1);
    EXPECT_EQ(cell.layerOf(7), 0);
    EXPECT_EQ(cell.layerOf(9), 1);
    EXPECT_EQ(cell.layerOf(8), -1);
    cell.assign(7, 1.0f, 1);
    EXPECT_EQ(cell.layerOf(7), 0);
}

TEST(PaintCell, AssignRefusesLayersOtherThanZeroAndOne) {
    PaintCell cell;
    cell.assign(5, 0.5f, 2);
    cell.assign(5, 0.5f, -1);
    EXPECT_EQ(cell.texture[0], none);
    EXPECT_EQ(cell.texture[1], none);
    EXPECT_FLOAT_EQ(cell.weight[0], -1.0f);
    EXPECT_FLOAT_EQ(cell.weight[1], -1.0f);
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

TEST(PaintCell, OverlayAloneCoversFullyAndBaseAloneNotAtAll) {
    PaintCell overlayOnly;
    overlayOnly.assign(2, 0.1f, 1);
    EXPECT_FLOAT_EQ(overlayOnly.overlayWeight(2, 1), 1.0f);

    PaintCell baseOnly;
    baseOnly.assign(1, 1.0f, 0);
    EXPECT_FLOAT_EQ(baseOnly.overlayWeight(none, 1), 0.0f);

    PaintCell blank;
    EXPECT_FLOAT_EQ(blank.overlayWeight(none, 1), 0.0f); // -1 is found in layer 0 first
    EXPECT_FLOAT_EQ(blank.overlayWeight(none, 0), 0.0f); // both layers empty
}

TEST(PaintCell, ZeroWeightsInBothLayersSplitEvenly) {
    PaintCell cell;
    cell.assign(1, 0.0f, 0);
    cell.assign(2, 0.0f, 1);
    EXPECT_FLOAT_EQ(cell.overlayWeight(2, 1), 0.5f);
}

TEST(PaintCell, TextureNotHeldByTheLayerGivesOneMinusLayer) {
    PaintCell cell;
    cell.assign(1, 1.0f, 0);
    cell.assign(2, 1.0f, 1);
    EXPECT_FLOAT_EQ(cell.overlayWeight(3, 1), 0.0f);
    EXPECT_FLOAT_EQ(cell.overlayWeight(3, 0), 1.0f);
    EXPECT_FLOAT_EQ(cell.overlayWeight(1, 1), 0.0f); // the base texture is not the overlay
}

// ---------------------------------------------------------------------------
// Files for the canvas tests

// A 24-bit BMP as a paint program writes it: bottom row first, rows padded to
// four bytes, B, G, R order. pixel(x, y) gives R, G, B with y = 0 the top row.
struct Rgb {
    uint8_t r, g, b;
};

void putLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

std::string bmp24(int width, int height, const std::function<Rgb(int, int)>& pixel) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const uint32_t imageBytes = uint32_t(rowBytes) * height;
    std::string out = "BM";
    putLe(out, 54 + imageBytes, 4);
    putLe(out, 0, 4);
    putLe(out, 54, 4);
    putLe(out, 40, 4);
    putLe(out, uint32_t(width), 4);
    putLe(out, uint32_t(height), 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4);
    putLe(out, imageBytes, 4);
    putLe(out, 2835, 4);
    putLe(out, 2835, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            Rgb p = pixel(x, y);
            out.push_back(char(p.b));
            out.push_back(char(p.g));
            out.push_back(char(p.r));
        }
        out.append(size_t(rowBytes - width * 3), '\0');
    }
    return out;
}

// A mask whose red channel is red(x, y); green and blue carry noise that the
// painting must ignore.
std::string mask(int width, int height, const std::function<int(int, int)>& red) {
    return bmp24(width, height, [&](int x, int y) {
        return Rgb{uint8_t(red(x, y)), uint8_t(x * 13), uint8_t(200 + y)};
    });
}

const char* textureA = "data\\textures\\a.bmp";
const char* textureB = "data\\textures\\b.bmp";
const char* textureC = "data\\textures\\c.bmp";

// A map of 2 x 2 sectors, each 5 x 5 vertices one unit apart: a 9 x 9 canvas
// whose 8 x 8 paintable cells match an 8 x 8 mask.
class PaintCanvasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow()) << "the canvas tests need a display (run under Xvfb)";
        std::filesystem::create_directories("data/dumps");
        dir.writeFile(textureA, bmp24(4, 4, [](int, int) { return Rgb{200, 40, 40}; }));
        dir.writeFile(textureB, bmp24(4, 4, [](int, int) { return Rgb{40, 200, 40}; }));
        dir.writeFile(textureC, bmp24(4, 4, [](int, int) { return Rgb{40, 40, 200}; }));
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
}

TEST_F(PaintCanvasTest, NonSquareMapsAndFinerGridsSizeTheCanvasPerAxis) {
    Landscape wide;
    wide.newMap(12, 8, 4, 0.5f, 0.5f); // 3 x 2 sectors of 9 x 9 vertices
    canvas.begin(&wide);
    EXPECT_EQ(canvas.width, 25);
    EXPECT_EQ(canvas.height, 17);
    EXPECT_EQ(canvas.cellCount, 25 * 17);
}

TEST_F(PaintCanvasTest, BeginStartsFromBlankCellsAgain) {
    canvas.begin(&map);
    dir.writeFile("m.bmp", mask(8, 8, white));
    ASSERT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    canvas.begin(&map);
    EXPECT_EQ(canvas.cellAt(0, 0).texture[0], none);
    EXPECT_FLOAT_EQ(canvas.cellAt(0, 0).weight[0], -1.0f);
}

TEST_F(PaintCanvasTest, ReleaseFreesTheCellsAndLaterCallsDoNothing) {
    canvas.begin(&map);
    canvas.release();
    EXPECT_EQ(canvas.cells, nullptr);
    EXPECT_EQ(canvas.cellCount, 0);
    dir.writeFile("m.bmp", mask(8, 8, white));
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_FALSE(canvas.finish());
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
    dir.writeFile("m.bmp", mask(8, 8, white));
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
    dir.writeFile("m.bmp", mask(8, 8, [](int x, int y) {
                      return y == 0 && x == 0 ? 255 : (y == 0 && x == 1 ? 1 : 0);
                  }));
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
    dir.writeFile("m.bmp", mask(8, 8, [](int x, int y) { return x == 6 && y == 1 ? 255 : 0; }));
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
    dir.writeFile("m.bmp", mask(9, 9, white)); // even a mask that covers them
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
    dir.writeFile("all.bmp", mask(8, 8, white));
    dir.writeFile("corner.bmp", mask(8, 8, [](int x, int y) { return x < 4 && y < 4 ? 128 : 0; }));
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
    dir.writeFile("small.bmp", mask(3, 2, white));
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
    dir.writeFile("m.bmp", mask(8, 8, white));
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
}

TEST_F(PaintCanvasTest, LayerOtherThanZeroOrOneIsRefused) {
    canvas.begin(&map);
    dir.writeFile("m.bmp", mask(8, 8, white));
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, 2));
    EXPECT_FALSE(canvas.mapTexture("m.bmp", textureA, -1));
    for (int i = 0; i < canvas.cellCount; i++) {
        ASSERT_EQ(canvas.cells[i].texture[0], none);
        ASSERT_EQ(canvas.cells[i].texture[1], none);
    }
    EXPECT_FALSE(std::filesystem::exists("data/dumps/facit.bmp"));
    EXPECT_EQ(map.textures.findByName(textureA), -1);
}

TEST_F(PaintCanvasTest, TextureIsLoadedOnceIntoThePaintedMapsTable) {
    canvas.begin(&map);
    dir.writeFile("m.bmp", mask(8, 8, white));
    ASSERT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("m.bmp", textureA, 1));
    EXPECT_EQ(map.textures.count, 1);
    EXPECT_EQ(map.textures.entries[0].filterMode, 2);
    EXPECT_EQ(canvas.cellAt(0, 0).texture[0], canvas.cellAt(0, 0).texture[1]);
}

TEST_F(PaintCanvasTest, DumpHoldsTheLastMaskExactlyAsRead) {
    canvas.begin(&map);
    auto red = [](int x, int y) { return (x * 31 + y * 17) % 256; };
    dir.writeFile("first.bmp", mask(8, 8, white));
    dir.writeFile("second.bmp", mask(11, 5, red)); // odd width: padded rows in the file
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
    dir.writeFile("m.bmp", mask(8, 8, white));
    EXPECT_TRUE(canvas.mapTexture("m.bmp", textureA, 0));
    EXPECT_EQ(canvas.cellAt(0, 0).texture[0], nameOf(textureA));
}

// ---------------------------------------------------------------------------
// Writing the canvas into the faces

TEST_F(PaintCanvasTest, LeftHalfOverlayOverFullBase) {
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    dir.writeFile("left.bmp", mask(8, 8, [](int x, int) { return x < 4 ? 255 : 0; }));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("left.bmp", textureB, 1));
    ASSERT_TRUE(canvas.finish());
    const int32_t a = int32_t(nameOf(textureA)), b = int32_t(nameOf(textureB));

    // Left sectors: base A, overlay B, half coverage where both layers are full.
    const SectorFace& left = face(0, 0, 1, 1, 0);
    EXPECT_EQ(left.baseTexture, a);
    EXPECT_EQ(left.overlayTexture, b);
    for (int k = 0; k < 3; k++)
        EXPECT_FLOAT_EQ(left.overlayColour[k].a, 0.5f);

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

TEST_F(PaintCanvasTest, FarEdgesOfTheMapGetNoCoverage) {
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureB, 1));
    ASSERT_TRUE(canvas.finish());
    // Last cell of the map, in sector (1, 1): cell (3, 3) touches row 8 and column 8.
    const SectorFace& first = face(1, 1, 3, 3, 0);
    const SectorFace& second = face(1, 1, 3, 3, 1);
    EXPECT_FLOAT_EQ(first.overlayColour[0].a, 0.5f);
    EXPECT_FLOAT_EQ(first.overlayColour[1].a, 0.0f);
    EXPECT_FLOAT_EQ(first.overlayColour[2].a, 0.0f);
    for (int k = 0; k < 3; k++)
        EXPECT_FLOAT_EQ(second.overlayColour[k].a, 0.0f);
    // Inner sector borders are shared cells and stay covered.
    EXPECT_FLOAT_EQ(face(0, 0, 3, 3, 1).overlayColour[0].a, 0.5f); // cell (4, 4)
}

TEST_F(PaintCanvasTest, WeakerOverlayCoversLess) {
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    dir.writeFile("half.bmp", mask(8, 8, [](int, int) { return 128; }));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("half.bmp", textureB, 1));
    ASSERT_TRUE(canvas.finish());
    const float w = 128 * 0.003921569f;
    const float expected = w * w / (w * w + 1.0f); // about 0.2
    EXPECT_NEAR(face(0, 0, 0, 0, 0).overlayColour[0].a, expected, 1e-6);
    EXPECT_NEAR(expected, 0.2f, 0.002f);
}

TEST_F(PaintCanvasTest, NeighbourWithADifferentOverlayFadesItOut) {
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    dir.writeFile("left.bmp", mask(8, 8, [](int x, int) { return x < 2 ? 255 : 0; }));
    dir.writeFile("right.bmp", mask(8, 8, [](int x, int) { return x >= 2 ? 255 : 0; }));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.mapTexture("left.bmp", textureB, 1));
    ASSERT_TRUE(canvas.mapTexture("right.bmp", textureC, 1));
    ASSERT_TRUE(canvas.finish());
    const SectorFace& border = face(0, 0, 1, 0, 0); // cell (1, 0), next to column 2
    EXPECT_EQ(border.overlayTexture, int32_t(nameOf(textureB)));
    EXPECT_FLOAT_EQ(border.overlayColour[0].a, 0.5f);
    EXPECT_FLOAT_EQ(border.overlayColour[1].a, 0.0f); // (2, 0) holds C
    EXPECT_EQ(face(0, 0, 2, 0, 0).overlayTexture, int32_t(nameOf(textureC)));
}

TEST_F(PaintCanvasTest, UnpaintedBaseLeavesFacesUndrawnInTheBaseLayer) {
    map.sectors[0].setBaseTexture(12345);
    canvas.begin(&map);
    dir.writeFile("left.bmp", mask(8, 8, [](int x, int) { return x < 4 ? 255 : 0; }));
    ASSERT_TRUE(canvas.mapTexture("left.bmp", textureB, 1));
    ASSERT_TRUE(canvas.finish());
    const SectorFace& f = face(0, 0, 0, 0, 0);
    EXPECT_EQ(f.baseTexture, -1);
    EXPECT_EQ(f.overlayTexture, int32_t(nameOf(textureB)));
    EXPECT_FLOAT_EQ(f.overlayColour[0].a, 1.0f); // overlay alone covers fully
}

TEST_F(PaintCanvasTest, FinishKeepsTheBakedColours) {
    for (Sector& s : map.sectors) {
        s.setColours(0.25f, 0.5f, 0.75f);
        s.setOverlayColours(0.1f, 0.2f, 0.3f, 0.9f);
    }
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.finish());
    for (const Sector& s : map.sectors) {
        for (const SectorFace& f : s.faces) {
            for (int k = 0; k < 3; k++) {
                ASSERT_FLOAT_EQ(f.colour[k].x, 0.25f);
                ASSERT_FLOAT_EQ(f.colour[k].y, 0.5f);
                ASSERT_FLOAT_EQ(f.colour[k].z, 0.75f);
                ASSERT_FLOAT_EQ(f.overlayColour[k].r, 0.1f);
                ASSERT_FLOAT_EQ(f.overlayColour[k].g, 0.2f);
                ASSERT_FLOAT_EQ(f.overlayColour[k].b, 0.3f);
                ASSERT_FLOAT_EQ(f.overlayColour[k].a, 0.0f); // no overlay painted
            }
        }
    }
}

TEST_F(PaintCanvasTest, CanvasKeepsItsCellsAfterFinish) {
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    ASSERT_TRUE(canvas.finish());
    EXPECT_EQ(canvas.cellCount, 81);
    EXPECT_EQ(canvas.cellAt(0, 0).texture[0], nameOf(textureA));
    ASSERT_TRUE(canvas.finish()); // a second finish writes the same result
    EXPECT_EQ(face(1, 1, 3, 3, 1).baseTexture, int32_t(nameOf(textureA)));
}

TEST_F(PaintCanvasTest, TerrainThatChangedSizeIsNotWritten) {
    canvas.begin(&map);
    dir.writeFile("all.bmp", mask(8, 8, white));
    ASSERT_TRUE(canvas.mapTexture("all.bmp", textureA, 0));
    map.release();
    map.newMap(16, 16, 4, 0.5f, 0.5f); // the same Landscape, now a larger grid
    EXPECT_FALSE(canvas.finish());
    for (const Sector& s : map.sectors)
        for (const SectorFace& f : s.faces)
            ASSERT_EQ(f.baseTexture, -1);
}

} // namespace
