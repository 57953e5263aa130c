// The watch behind --watch: which changes of which files it reports, and when.

#include "platform/FileWatch.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

// A build that reads a height image and a file that is not there yet, and
// writes a map file that it reads back.
void recordBuild(FileWatch& watch) {
    watch.startRecording("Directives");
    for (const char* read : {"data\\island.bmp", "data\\missing.bmp", "data\\world.map"}) {
        if (FILE* file = openFile(read, "rb"))
            std::fclose(file);
    }
    if (FILE* file = openFile("data\\world.map", "wb")) {
        std::fputs("saved by the build", file);
        std::fclose(file);
    }
    watch.stopRecording();
}

} // namespace

TEST(FileWatch, ReportsAChangeOfAScriptOrOfAFileTheBuildReadOnceItHoldsStill) {
    TempWorkingDirectory folder;
    folder.writeFile("Directives\\directive9.txt", "newmap\n");
    folder.writeFile("data\\island.bmp", "heights");
    folder.writeFile("data\\world.map", "old map");
    folder.writeFile("data\\other.bmp", "not read");
    const struct {
        const char* what;
        std::function<void()> edit;
        const char* reported; // empty: nothing to report
    } cases[] = {
        {"nothing", [] {}, ""},
        {"a script replaced by renaming",
         [&] {
             folder.writeFile("Directives\\.directive9.txt.new", "newmap\n");
             fs::rename("Directives/.directive9.txt.new", "Directives/directive9.txt");
         },
         "Directives/directive9.txt"},
        {"a new script", [&] { folder.writeFile("Directives\\directive4.txt", ""); },
         "Directives/directive4.txt"},
        {"editors' leftovers",
         [&] {
             folder.writeFile("Directives\\.directive9.txt.swp", "x");
             folder.writeFile("Directives\\directive9.txt~", "x");
             folder.writeFile("Directives\\#directive9.txt#", "x");
         },
         ""},
        {"an image read", [&] { folder.writeFile("data\\island.bmp", "new heights"); },
         "data/island.bmp"},
        {"an image that appears", [&] { folder.writeFile("data\\missing.bmp", "here"); },
         "data/missing.bmp"},
        {"a file not read", [&] { folder.writeFile("data\\other.bmp", "changed"); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileWatch watch;
        recordBuild(watch);
        EXPECT_FALSE(watch.look()) << "what the build wrote itself is no change";
        c.edit();
        EXPECT_FALSE(watch.look()) << "a change is reported once it has held still";
        EXPECT_EQ(watch.look(), *c.reported != '\0');
        EXPECT_EQ(watch.changedName(), c.reported);
        EXPECT_FALSE(watch.look()) << "and only once";
    }
}

TEST(FileWatch, AFileChangedWhileTheBuildRanIsReportedAfterIt) {
    TempWorkingDirectory folder;
    folder.writeFile("data\\island.bmp", "heights");
    FileWatch watch;
    watch.startRecording("Directives");
    std::fclose(openFile("data\\island.bmp", "rb"));
    folder.writeFile("data\\island.bmp", "saved during the build");
    watch.stopRecording();
    watch.look();
    EXPECT_TRUE(watch.look());
    EXPECT_EQ(watch.changedName(), "data/island.bmp");
}
