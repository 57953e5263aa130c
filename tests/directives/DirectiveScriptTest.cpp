// The interpreter itself: how script files are found, read and dispatched.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

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
        {"newmap\n32\n32\n16\n1", 0, 4}, // the last line needs no break
        {std::string(1024, 'x') + "\n", 2, 4},
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

TEST(DirectiveScript, MissingFileIsReportedAndScriptNumbersAreDecimal) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    EXPECT_TRUE(runScriptText(script, folder, smallMap, -12).empty());
    Landscape* before = currentLandscape;
    startCapturingMessages();
    script.run(3);
    EXPECT_EQ(countOf(stopCapturingMessages(), "[Implementor Error] Corrupt directive file"), 1);
    EXPECT_EQ(currentLandscape, before);
    EXPECT_TRUE(runScriptText(script, folder, "undo\n", 2147483647).empty());
    EXPECT_EQ(script.ring.current, 0);
    EXPECT_EQ(directiveInt("4294967312"), 16) << "beyond 32 bits: the low bits";
}
