// A world's files stay in its folder: a path that a script or a data file
// names and that could lead outside is refused, with its message, as a
// missing file, by every reader and writer.

#include "tests/directives/DirectiveTestKit.h"

#include "entities/EntityList.h"
#include "platform/FileSystem.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

// Every path names a file that is there, or a folder that could take it, so a
// read or a write that was not refused would show.
TEST(WorldFolder, PathsThatCouldLeadOutsideAreReadAndWrittenAsMissingFiles) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory root; // the world is root/world, and its "shared" links to root
    root.writeFile("world\\Directives\\directive1.txt", smallMap + std::string("save\ngood.map\n"));
    fs::create_directories("world/data");
    fs::create_directory_symlink("..", "world/shared");
    fs::current_path("world");
    std::string outside = root.path() + "/out", backslashed = outside;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    const std::vector<std::string> refused = {
        outside, backslashed, "..\\up", "data\\..\\..\\in",  "data\\..",           "..", "C:\\in",
        "c:in",  "~\\home",   "~/home", "data/..\\../mixed", "data\\\\..\\\\..\\x"};
    const std::vector<std::string> allowed = {"data\\maps\\a..b.bmp", "data\\\\maps//x", "...\\x",
                                              ".\\data\\~c:x", "shared\\linked"};
    DirectiveScript script;
    writeBmp("bump.bmp", 4, 4, [](int, int) { return redOnly(200); });
    script.run(1);
    const std::string bmp = root.readFile("world/bump.bmp"), map = root.readFile("world/good.map");
    const std::string record = std::string(44, '\0') + "\xe8\x03" + std::string(42, '\0');
    const std::string newMap = smallMap, untouched = "untouched";
    auto written = [&](const std::string& file) {
        return fs::is_regular_file(file) && root.readFile(fs::absolute(file)) != untouched;
    };
    const struct {
        const char* name;
        std::string before, after, put; // the script around the path; the file put at it
        int tries;                      // reads or writes of the path
        std::function<bool(const std::string& file)> done;
    } uses[] = {
        {"save", newMap + "save\n", "\n", untouched, 1, written},
        {"saveentities", newMap + "saveentities\n", "\n", untouched, 1, written},
        {"load", "load\n", "\n", map, 1, [](auto&) { return currentLandscape->sectorCount == 4; }},
        {"loadbump", newMap + "loadbump\n", "\n1\n", bmp, 1,
         [](auto&) { return currentLandscape->heightAt(1, 1) == 200.0f; }},
        // The name goes into the map file's texture table, which "load" reads again.
        {"map texture", newMap + "settexture\n", "\nsave\nt.map\nload\nt.map\n", bmp, 2,
         [](auto&) {
             GLint width = 0;
             glBindTexture(GL_TEXTURE_2D, currentLandscape->textures.textureNameAt(0));
             glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
             return width == 4;
         }},
        // The demo script's first line spawns a sky that plays the record.
        {"spawn", newMap + "clearentities\nspawn\n; ", "\n", record, 1, [](auto&) {
             currentLandscape->entities[0]->updateTree(*currentLandscape, 5000);
             Entity* sky = findFirstOfType(*currentLandscape, SkyType);
             return sky && sky->playbackFile;
         }}};
    for (bool refusedPath : {true, false}) {
        for (const std::string& path : refusedPath ? refused : allowed) {
            const std::string file = hostPath(path.c_str()), context = path + " in ";
            const std::string refusal = "[] Refused path outside the world folder: " + path;
            fs::create_directories(fs::absolute(file).parent_path());
            std::ofstream("data/manus.txt") << "spawn 5 9 " << path << "\nsleep 10\n";
            for (const auto& use : uses) {
                if (!fs::is_directory(file))
                    std::ofstream(file, std::ios::binary) << use.put;
                startCapturingMessages();
                std::ofstream("Directives/directive1.txt") << use.before + path + use.after;
                script.run(1);
                EXPECT_EQ(use.done(file), !refusedPath) << context << use.name;
                EXPECT_EQ(countOf(stopCapturingMessages(), refusal), refusedPath ? use.tries : 0)
                    << context << use.name;
            }
        }
    }
}
