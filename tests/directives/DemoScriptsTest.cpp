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
    std::string nine = demoScript(9);
    ASSERT_FALSE(nine.empty());
    TempWorkingDirectory folder;
    // A round island: grey levels falling from the centre.
    folder.writeFile("data\\maps\\island.bmp", makeBmp(1025, 1025, [](int x, int y) {
                         int dx = x - 512, dy = y - 512;
                         int d2 = (dx * dx + dy * dy) / 1024;
                         return redOnly(d2 < 255 ? 255 - d2 : 0);
                     }));
    folder.writeFile("data\\textures\\grass.bmp", makeBmp(16, 16, [](int x, int y) {
                         return (x ^ y) & 1 ? 0x30A030 : 0x207020;
                     }));
    DirectiveScript script;
    auto messages = runScriptText(script, folder, nine, 9);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectorsAcross, 64);
    EXPECT_EQ(currentLandscape->sectorsDown, 64);
    EXPECT_EQ(currentLandscape->sectors[0].columns, 17);
    EXPECT_GT(currentLandscape->sectorAt(32, 32).maxY, 20.0f); // the island rose
    EXPECT_EQ(currentLandscape->sectorAt(0, 0).maxY, 0.0f);    // the sea did not
    EXPECT_NE(currentLandscape->sectors[0].faces[0].baseTexture, -1);
    EXPECT_EQ(currentLandscape->fogColour.x, 1.0f);
    EXPECT_GT(currentLandscape->fogEnd, 0.0f);

    // Scripts 6 and 4 run on the same world without complaint.
    EXPECT_TRUE(runScriptText(script, folder, demoScript(6), 6).empty());
    EXPECT_TRUE(runScriptText(script, folder, demoScript(4), 4).empty());
    EXPECT_EQ(currentLandscape->sectorsAcross, 64);
}
