// The terrain and view directives on a small 2 x 2 sector map.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

namespace {

const char* const newMapRefused = "[Implementor Error] Invalid parameters for newmap";
const char* const bumpMissing = "[Implementor Error] Missing parameters on loadbump";
const char* const bumpInvalid = "[Implementor Error] Invalid parameters on loadbump";

// Red value of pixel (x, y) of the 40 x 40 "slope.bmp".
int slopeRed(int x, int y) {
    return (3 * x + 5 * y) % 256;
}

// Starts every test on smallMap, in ring slot 1, with "slope.bmp" at hand.
class TerrainDirectives : public ::testing::Test {
  protected:
    void SetUp() override {
        writeBmp("slope.bmp", 40, 40,
                 [](int x, int y) { return redOnly(slopeRed(x, y)) | 0x00FF00; });
        ASSERT_TRUE(run(smallMap).empty());
        ASSERT_EQ(script.ring.current, 1);
    }

    std::vector<std::string> run(const std::string& text) {
        return runScriptText(script, folder, text);
    }

    TempWorkingDirectory folder;
    DirectiveScript script;
};

} // namespace

TEST_F(TerrainDirectives, BadArgumentsAreReportedWithoutAStep) {
    const struct {
        std::string text;
        const char* message;
        int badLines; // argument lines left over, read as directives
    } cases[] = {
        {"newmap\nwide\ndeep\nbig\nfine\n", newMapRefused, 0},
        {"loadbump", bumpMissing, 0},
        {"loadbump\nslope.bmp\n", bumpMissing, 0},
        // The name is read up to 255 characters; the 45 beyond are read as
        // the scale (not a number) and the real scale line is left over.
        {"loadbump\n" + std::string(300, 'n') + "\n0.5\n", bumpInvalid, 1},
    };
    for (const auto& c : cases) {
        auto messages = run(c.text);
        EXPECT_EQ(countOf(messages, c.message), 1) << c.text.substr(0, 40);
        EXPECT_EQ(countOf(messages, badDirective), c.badLines) << c.text.substr(0, 40);
        EXPECT_EQ(messages.size(), size_t(1 + c.badLines)) << c.text.substr(0, 40);
        EXPECT_TRUE(script.ring.current == 1 && script.ring.newest == 1) << c.text.substr(0, 40);
        EXPECT_EQ(currentLandscape->sectorCount, 4);
    }
}

TEST_F(TerrainDirectives, LoadBumpHeightsFollowTheRedChannelTimesTheScaleInACopy) {
    folder.writeFile("garbage.bmp", "BM this is not an image at all");
    const struct {
        const char* text;
        float scale; // 0: the image cannot be read and the copy stays flat
    } cases[] = {{"loadbump\nnowhere.bmp\n0.5\n", 0.0f},
                 {"loadbump\ngarbage.bmp\n0.5\n", 0.0f},
                 {"loadbump\nslope.bmp\n0.5\n", 0.5f},
                 {"loadbump\nslope.bmp\n2", 2.0f}, // a last line without a break
                 {"loadbump\nslope.bmp\n-1\n", -1.0f}};
    int slot = 1;
    for (const auto& c : cases) {
        EXPECT_TRUE(run(c.text).empty()) << c.text;
        slot = (slot + 1) % UndoRing::slotCount;
        EXPECT_EQ(script.ring.current, slot) << c.text;
        EXPECT_EQ(currentLandscape->sectors[0].normals[5 * 17 + 5].y, 1.0f) << "not finalized";
        for (int j = 0; j < 2; j++)
            for (int i = 0; i < 2; i++) {
                const Sector& sector = currentLandscape->sectorAt(i, j);
                for (int r = 0; r <= 16; r += 4)
                    for (int col = 0; col <= 16; col += 4)
                        ASSERT_EQ(sector.positions[size_t(r) * 17 + col].y,
                                  float(slopeRed(i * 16 + col, j * 16 + r)) * c.scale)
                            << c.text;
            }
    }
    EXPECT_EQ(script.ring.slots[1]->sectors[3].maxY, 0.0f) << "the state before is still flat";
}

// Two sectors of 16 units, two vertices per unit, stretched unevenly; the
// view put back where a world starts.
TEST_F(TerrainDirectives, NewMapResolutionMultVertexAndResetPosMoveWhatTheyName) {
    EXPECT_TRUE(run("newmap\n32\n16\n16\n2\nmultvertex\n3\n1\n0.5\n").empty());
    const Sector& last = currentLandscape->sectorAt(1, 0);
    ASSERT_EQ(last.vertexCount, 33 * 33);
    const Vector3 corner = last.positions[33 * 33 - 1];
    EXPECT_TRUE(corner.x == 96.0f && corner.z == 8.0f) << corner.x << ", " << corner.z;
    Vector3 angles(10, 20, 30), position(4, 5, 6);
    currentLandscape->cameraAngles = &angles;
    currentLandscape->cameraPosition = &position;
    run("resetpos\n");
    EXPECT_TRUE(angles.x == 0 && angles.y == 135.0f && position.y == 0 && position.z == 0);
}

TEST(NewMapSize, RefusesOnlyCountsBeyondThirtyTwoBitsOrAnUndoRingBeyondTheMachine) {
    // One Landscape of "newmap 1024 1024 16 2" holds about 1.4 GB, its undo
    // ring of five about 7 GB; maps beyond 4,194,304 vertices are valid.
    const uint64_t gigabyte = uint64_t(1) << 30;
    using Size = DirectiveScript::NewMapSize;
    struct Case {
        int width, depth, sectorSize, resolution;
        uint64_t machine;
        Size expected;
    } cases[] = {
        {512, 512, 16, 4, 32 * gigabyte, Size::accepted},
        {1024, 1024, 16, 2, 32 * gigabyte, Size::accepted},
        {1024, 1024, 16, 2, 4 * gigabyte, Size::tooLarge},
        {1024, 1024, 16, 2, 0, Size::accepted}, // memory unknown: the allocation decides
        {65536, 65536, 16, 16, 32 * gigabyte, Size::tooLarge},
        {8, 8, 16, 1, 1, Size::accepted}, // no sector at all
        {2147483647, 2147483647, 1, 1, 0, Size::invalid},
        {64, 64, 32, 100000, 0, Size::invalid},
        {64, 64, 16, 0, 32 * gigabyte, Size::invalid},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            DirectiveScript::newMapSize(c.width, c.depth, c.sectorSize, c.resolution, c.machine),
            c.expected)
            << c.width << " " << c.depth << " " << c.sectorSize << " " << c.resolution << " on "
            << c.machine / gigabyte << " GB";
    }
}
