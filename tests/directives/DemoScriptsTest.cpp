// The demo's own directive scripts, run as shipped on stand-in images.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string demoScript(int n) {
    std::string here = __FILE__; // .../tests/directives/DemoScriptsTest.cpp
    std::string root = here.substr(0, here.rfind("/tests/"));
    std::ifstream in(root + "/demo/Directives/directive" + std::to_string(n) + ".txt",
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(DemoScripts, ScriptNineBuildsTheIslandWorld) {
    ASSERT_TRUE(openTestWindow());
    // Read before the working directory changes: the path may be relative.
    std::string nine = demoScript(9), six = demoScript(6), four = demoScript(4);
    ASSERT_FALSE(nine.empty() || six.empty() || four.empty());
    TempWorkingDirectory folder;
    // A round island: grey levels falling from the centre.
    auto island = [](int x, int y) {
        int dx = x - 512, dy = y - 512;
        int d2 = (dx * dx + dy * dy) / 1024;
        return d2 < 255 ? 255 - d2 : 0;
    };
    folder.writeFile("data\\maps\\island.bmp",
                     makeBmp(1025, 1025, [&](int x, int y) { return redOnly(island(x, y)); }));
    // The ground textures and the masks the script paints them through:
    // grass everywhere in the base layer, sand on the shore, rock and dark
    // grass on two patches of the overlay layer.
    for (const char* name : {"grass", "darkgrass", "sand", "rock"}) {
        folder.writeFile(
            std::string("data\\textures\\") + name + ".bmp",
            makeBmp(16, 16, [](int x, int y) { return (x ^ y) & 1 ? 0x30A030 : 0x207020; }));
    }
    folder.writeFile("data\\dumps\\readme.txt", "the last painting mask is dumped here");
    folder.writeFile("data\\masks\\grass.bmp",
                     makeBmp(1025, 1025, [](int, int) { return redOnly(255); }));
    folder.writeFile("data\\masks\\sand.bmp", makeBmp(1025, 1025, [&](int x, int y) {
                         return redOnly(island(x, y) < 40 ? 255 : 0);
                     }));
    folder.writeFile("data\\masks\\rock.bmp", makeBmp(1025, 1025, [](int x, int y) {
                         return redOnly(x > 500 && x < 520 && y > 500 && y < 520 ? 200 : 0);
                     }));
    folder.writeFile("data\\masks\\darkgrass.bmp", makeBmp(1025, 1025, [](int x, int y) {
                         return redOnly(x > 300 && x < 340 && y > 300 && y < 340 ? 255 : 0);
                     }));
    DirectiveScript script;
    auto messages = runScriptText(script, folder, nine, 9);
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front());
    EXPECT_EQ(currentLandscape->sectorsAcross, 64);
    EXPECT_EQ(currentLandscape->sectorsDown, 64);
    EXPECT_EQ(currentLandscape->sectors[0].columns, 17);
    EXPECT_GT(currentLandscape->sectorAt(32, 32).maxY, 20.0f); // the island rose
    EXPECT_EQ(currentLandscape->sectorAt(0, 0).maxY, 0.0f);    // the sea did not
    // Painted: grass in the base layer everywhere, sand over the shore.
    const Sector& shore = currentLandscape->sectors[0];
    EXPECT_NE(shore.faces[0].baseTexture, -1);
    EXPECT_NE(shore.faces[0].overlayTexture, -1);
    EXPECT_EQ(currentLandscape->sectorAt(40, 40).faces[0].overlayTexture, -1);
    EXPECT_EQ(currentLandscape->fogColour.x, 1.0f);
    EXPECT_GT(currentLandscape->fogEnd, 0.0f);

    // Scripts 6 and 4 run on the same world without complaint.
    EXPECT_TRUE(runScriptText(script, folder, six, 6).empty());
    EXPECT_TRUE(runScriptText(script, folder, four, 4).empty());
    EXPECT_EQ(currentLandscape->sectorsAcross, 64);
    // A sea patch per sector and its tint, 500 palms, sky and sun; the demo
    // script and its camera (6); a camera and the tank (4).
    EXPECT_EQ(currentLandscape->entities.size(), size_t(64 * 64 + 1 + 500 + 2 + 2 + 2));
}
