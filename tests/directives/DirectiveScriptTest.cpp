// The interpreter itself: how script files are found, read and dispatched.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

TEST(DirectiveScript, LifetimeOwnsTheCurrentLandscape) {
    {
        DirectiveScript script;
        EXPECT_NE(currentLandscape, nullptr);
        EXPECT_EQ(currentLandscape, script.ring.slots[0]);
        EXPECT_EQ(currentLandscape->sectorCount, 0);
        EXPECT_EQ(script.lightingParams.ambientColour.x, 0.5f);
    }
    EXPECT_EQ(currentLandscape, nullptr);
}

TEST(DirectiveScript, KeywordsMustMatchTheWholeLineAndEachBadLineIsReported) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    auto messages = runScriptText(script, folder,
                                  "finalize \n FINALIZE\nFINALIZE\n   \n\tundo\nundo;\nfinalize\n" +
                                      std::string("finalize\0x\n", 11));
    EXPECT_EQ(countOf(messages, badDirective), 7);
    EXPECT_EQ(messages.size(), 7u);

    // The script goes on after bad lines: the undo at the end still runs.
    messages =
        runScriptText(script, folder, "hello\n" + std::string(smallMap) + "42\nundo\nwhat\n");
    EXPECT_EQ(countOf(messages, badDirective), 3);
    EXPECT_EQ(script.ring.current, 0);
}

TEST(DirectiveScript, CommentsEmptyLinesAndWindowsLineEndingsAreSilent) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    auto messages = runScriptText(script, folder,
                                  "; a comment\n\n;newmap\n;\n\r\n" + std::string(smallMap) +
                                      "; trailing comment");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectorCount, 4);

    messages =
        runScriptText(script, folder, "; made on Windows\r\nnewmap\r\n64\r\n32\r\n16\r\n2\r\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectorsAcross, 4);
    EXPECT_EQ(currentLandscape->sectorsDown, 2);
    EXPECT_EQ(currentLandscape->sectors[0].stepX, 0.5f);
}

TEST(DirectiveScript, LastLineWithoutLineBreakStillExecutes) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    auto messages = runScriptText(script, folder, "newmap\n32\n32\n16\n1");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectorCount, 4);
    runScriptText(script, folder, "; step back\nundo");
    EXPECT_EQ(script.ring.current, 0);
}

TEST(DirectiveScript, MissingArgumentLinesAtTheEndReadAsEmpty) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap);
    // Width and depth given, the rest missing: 0 means refused.
    auto messages = runScriptText(script, folder, "newmap\n64\n64");
    EXPECT_EQ(countOf(messages, "[Implementor Error] Invalid parameters for newmap"), 1);
    EXPECT_EQ(currentLandscape->sectorCount, 4);
}

TEST(DirectiveScript, MissingFileIsReportedAndChangesNothing) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, smallMap, 9);
    Landscape* before = currentLandscape;
    startCapturingMessages();
    script.run(3);
    auto lines = stopCapturingMessages();
    EXPECT_EQ(countOf(lines, "[Implementor Error] Corrupt directive file"), 1);
    EXPECT_EQ(currentLandscape, before);
    EXPECT_EQ(currentLandscape->sectorCount, 4);

    // A later run of a file that does exist executes normally, and state
    // carries over from one run to the next.
    auto messages = runScriptText(script, folder, "multvertex\n2\n1\n2\n", 3);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(script.ring.current, 2);
    EXPECT_EQ(currentLandscape->sectorSizeX, 32.0f);
}

TEST(DirectiveScript, ScriptNumberIsFormattedInDecimal) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    EXPECT_TRUE(runScriptText(script, folder, smallMap, -12).empty());
    EXPECT_EQ(currentLandscape->sectorCount, 4);
    EXPECT_TRUE(runScriptText(script, folder, "undo\n", 2147483647).empty());
    EXPECT_EQ(script.ring.current, 0);
}

TEST(DirectiveScript, LongLinesAreSplitAt1023Characters) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    // A 1029-character comment line: its first 1023 characters are a comment,
    // the rest ("newmap") is the next line and a command.
    std::string text = ";" + std::string(1022, '-') + "newmap\n32\n32\n16\n1\n";
    auto messages = runScriptText(script, folder, text);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(currentLandscape->sectorCount, 4);

    // 1024 letters: two bad lines.
    messages = runScriptText(script, folder, std::string(1024, 'x') + "\n");
    EXPECT_EQ(countOf(messages, badDirective), 2);
}

TEST(DirectiveScript, CommandsOfLaterWorkReadExactlyTheirArgumentLines) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    // Were any argument line left unread, its text would be a bad directive.
    const char* text = "setsundir\nx\ny\nz\nmultsundir\nfactor\n"
                       "sunambient\nr\ng\nb\nsunlight\nr\ng\nb\ntraceshadows\nr\ng\nb\n"
                       "startpaint\nmaptexture\nmask\ntexture\nlayer\nendpaint\n"
                       "setocean\nlevel\nplantpalmtrees\nclearentities\n"
                       "saveentities\nentities file\nloadentities\nentities file\n"
                       "createsun\ncreatecamera\ncreatetank\nspawn\n";
    auto messages = runScriptText(script, folder, text);
    EXPECT_EQ(countOf(messages, badDirective), 0);
}

TEST(DirectiveScript, ArgumentsConvertLikeTheCLibrary) {
    EXPECT_EQ(directiveInt("  16"), 16);
    EXPECT_EQ(directiveInt("-7abc"), -7);
    EXPECT_EQ(directiveInt("+3"), 3);
    EXPECT_EQ(directiveInt("abc"), 0);
    EXPECT_EQ(directiveInt(""), 0);
    EXPECT_EQ(directiveInt("12.9"), 12);
    EXPECT_EQ(directiveInt("4294967312"), 16); // beyond 32 bits: the low bits
    EXPECT_EQ(directiveReal(" 0.15"), 0.15f);
    EXPECT_EQ(directiveReal("-1e2x"), -100.0f);
    EXPECT_EQ(directiveReal("one"), 0.0f);
    EXPECT_EQ(directiveReal(""), 0.0f);
}
