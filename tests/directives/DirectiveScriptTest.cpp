// The interpreter itself: how script files are found, read and dispatched,
// where its messages say they come from, and its reference.

#include "tests/directives/DirectiveTestKit.h"

#include "landscape/TerrainPool.h"
#include "platform/MessageBox.h"
#include "platform/ProgramEnd.h"
#include "platform/ScriptPlace.h"
#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

TEST(DirectiveScript, KeywordsMatchWholeLinesAndEachBadLineIsReportedWhileTheScriptGoesOn) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    const struct {
        std::string text;
        int badLines, sectors;
    } cases[] = {
        {"finalize \n FINALIZE\nFINALIZE\n   \n\tundo\nundo;\nfinalize\n" +
             std::string("finalize\0x\n", 11),
         7, 0},
        {"hello\n" + std::string(smallMap) + "42\nwhat\n", 3, 4},
        {"; a comment\n\n;newmap\n;\n\r\n" + std::string(smallMap) + "; trailing comment", 0, 4},
        // Commands of later work read exactly their argument lines.
        {"setsundir\nx\ny\nz\nmultsundir\nfactor\nsunambient\nr\ng\nb\nsunlight\nr\ng\nb\n"
         "traceshadows\nr\ng\nb\nstartpaint\nmaptexture\nmask\ntexture\nlayer\nendpaint\n"
         "setocean\nlevel\nplantpalmtrees\nclearentities\nsaveentities\nentities file\n"
         "loadentities\nentities file\ncreatesun\ncreatecamera\ncreatetank\nspawn\n",
         0, 4},
    };
    for (const auto& c : cases) {
        auto messages = runScriptText(script, folder, c.text);
        EXPECT_EQ(countOf(messages, badDirective), c.badLines) << c.text.substr(0, 30);
        EXPECT_EQ(currentLandscape->sectorCount, c.sectors) << c.text.substr(0, 30);
    }
    // Argument lines missing at the end read as empty: 0 means refused.
    auto messages = runScriptText(script, folder, "newmap\n64\n64");
    EXPECT_EQ(messages,
              std::vector<std::string>{"[Implementor Error] Invalid parameters for newmap"});
}

TEST(DirectiveScript, EveryMessageOfAScriptIsPrecededByItsFileAndTheLineOfItsCommand) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    folder.writeFile("Directives\\directive5.txt", "; line 1\r\n"
                                                   "Newmap\r\n"                   // 2
                                                   "newmap\n0\n32\n16\n1\n"       // 3 to 7
                                                       + std::string(1500, 'x') + // 8, read twice
                                                       "\nloadbump\nmap.bmp\n0\n" // 9 to 11
                                                       "maptexture\nm\nt\n7\n"    // 12 to 15
                                                       "settexture");             // 16
    const uint32_t before = ScriptPlace::messageCount();
    startCapturingMessages();
    script.run(5);
    script.run(7);
    messageBox("Not a script's", "", MB_OK);
    const std::vector<std::string> expected = {
        "Directives/directive5.txt:2:",
        "[] Bad directive",
        "Directives/directive5.txt:3: in \"newmap\":",
        "[Implementor Error] Invalid parameters for newmap",
        "Directives/directive5.txt:8:",
        "[] Bad directive",
        "Directives/directive5.txt:8:",
        "[] Bad directive",
        "Directives/directive5.txt:9: in \"loadbump\":",
        "[Implementor Error] Invalid parameters on loadbump",
        "Directives/directive5.txt:12: in \"maptexture\":",
        "[Implementor Error] Invalid layer in maptexture",
        "Directives/directive5.txt:16: in \"settexture\":",
        "[Implementor Error] Invalid parameter in settexture",
        "Directives/directive7.txt:",
        "[Implementor Error] Corrupt directive file",
        "[] Not a script's"};
    EXPECT_EQ(stopCapturingMessages(), expected);
    EXPECT_EQ(ScriptPlace::messageCount() - before, 8u) << "the scripts' messages are counted";
}

TEST(DirectiveScript, TheReferenceHasOneEntryPerKeywordInTheOrderOfTheTable) {
    std::ifstream reference(std::string(KESTU_SOURCE_DIR) + "/docs/directives.md");
    ASSERT_TRUE(reference.good());
    std::vector<std::string> entries, keywords;
    for (std::string line; std::getline(reference, line);)
        if (line.rfind("### ", 0) == 0)
            entries.push_back(line.substr(4));
    for (int i = 0; DirectiveScript::keywordAt(i) != nullptr; ++i)
        keywords.push_back(std::string("`") + DirectiveScript::keywordAt(i) + "`");
    EXPECT_EQ(entries, keywords);
}

namespace {
struct Ended {
    int status; // of the designed end
};
int endings = 0;
std::thread::id endingThread;
} // namespace

TEST(DirectiveScript, MemoryThatRunsOutOnAnyThreadEndsTheRunOnceWithOutOfMemory) {
    // The designed end is caught here instead of exiting. It must come once,
    // with status 1, on the thread that runs the script, after the pool's
    // threads (four, so that several fail at once) have let go of the work.
    TempWorkingDirectory folder;
    WorkerPool::setSharedThreadCount(4);
    setProgramEndHandler([](int status) {
        ++endings;
        endingThread = std::this_thread::get_id();
        throw Ended{status};
    });
    const std::string lit =
        "newmap\n256\n128\n16\n2\nsunambient\n0.2\n0.2\n0.2\nsetsundir\n1\n2\n-1\n";
    const struct {
        const char* what;
        std::string built, failing;
        bool limited; // the terrain pool may take no more than the built part holds
    } cases[] = {
        {"a map larger than the machine", "", "newmap\n65536\n65536\n16\n16\n", false},
        {"sun light", lit, "sunlight\n1\n0.9\n0.8\n", true},
        {"shadows", lit, "traceshadows\n0.3\n0.3\n0.3\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DirectiveScript script;
        runScriptText(script, folder, c.built, 1);
        folder.writeFile("Directives\\directive2.txt", c.failing);
        setTerrainPoolLimit(c.limited ? terrainPoolUsedBytes() + 1 : 0);
        endings = 0;
        int status = 0;
        startCapturingMessages();
        try {
            script.run(2);
        } catch (const Ended& ended) {
            status = ended.status;
        }
        std::vector<std::string> log = stopCapturingMessages();
        setTerrainPoolLimit(0);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(endings, 1);
        EXPECT_EQ(endingThread, std::this_thread::get_id());
        EXPECT_EQ(countOf(log, "[] Out of memory"), 1);
    }
    setProgramEndHandler(nullptr);
    WorkerPool::setSharedThreadCount(0);
}
