// The interpreter itself: how script files are found, read and dispatched, and
// that no text file, however malformed, breaks it or its ring.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <random>

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
        {"; made on Windows\r\nnewmap\r\n64\r\n32\r\n16\r\n2\r\n", 0, 8},
        {"newmap\n32\n32\n16\n1", 0, 4}, // the last line needs no break
        // A 1029-character comment: its first 1023 characters are the comment,
        // the rest ("newmap") the next line.
        {";" + std::string(1022, '-') + "newmap\n32\n32\n16\n1\n", 0, 4},
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
    EXPECT_EQ(directiveInt("-7abc"), -7);
    EXPECT_EQ(directiveReal("-1e2x"), -100.0f);
    EXPECT_EQ(directiveReal("one"), 0.0f);
}

// Random mixes of keywords, numbers, names and garbage after a small map: the
// ring must always name exactly one current Landscape, its own.
TEST(DirectiveScript, RandomScriptsNeverBreakTheInterpreter) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    writeBmp("img.bmp", 20, 20, [](int x, int y) { return redOnly(x * y); });
    writeBmp("tex.bmp", 4, 4, [](int x, int) { return x * 0x102030; });
    folder.writeFile("garbage.bmp", "BM\x10\x00\x00\x00garbage");
    folder.writeFile("n.map", "not a map file at all");
    const std::vector<std::string> words = {"newmap",
                                            "loadbump",
                                            "settexture",
                                            "undo",
                                            "load",
                                            "save",
                                            "multvertex",
                                            "finalize",
                                            "normalizetexcoords",
                                            "setsundir",
                                            "sunlight",
                                            "traceshadows",
                                            "resetpos",
                                            "multsundir",
                                            "sunambient",
                                            "startpaint",
                                            "maptexture",
                                            "endpaint",
                                            "setviewdist",
                                            "setfogcolor",
                                            "img.bmp",
                                            "tex.bmp",
                                            "nothing.bmp",
                                            "garbage.bmp",
                                            "m.map",
                                            "n.map",
                                            "",
                                            "img.bmp\r",
                                            "0",
                                            "1",
                                            "2",
                                            "-1",
                                            "3",
                                            "8",
                                            "16",
                                            "33",
                                            "0.5",
                                            "-0.25",
                                            "1e9",
                                            "-1e30",
                                            "nan",
                                            "inf",
                                            "100000",
                                            "2147483647",
                                            "-2147483648",
                                            "99999999999999999999",
                                            "0x10",
                                            " 4",
                                            std::string(1100, '7')};
    DirectiveScript script;
    Vector3 eye(10, 5, 10), angles(0, 135, 0);
    currentLandscape->cameraPosition = &eye;
    currentLandscape->cameraAngles = &angles;
    std::mt19937 random(7);
    for (int round = 0; round < 300; round++) {
        std::string text = "newmap\n16\n16\n8\n1\n";
        for (int line = 0; line < 30; line++) {
            if (random() % 10 == 0) {
                for (int k = int(random() % 40); k > 0; k--) {
                    char c = char(random() % 256);
                    text += c == '/' || c == '\\' ? '_' : c; // names stay in the folder
                }
            } else {
                text += words[random() % words.size()];
            }
            text += random() % 4 ? "\n" : random() % 2 ? "\r\n" : "\r";
        }
        runScriptText(script, folder, text, 7);
        ASSERT_GE(script.ring.current, 0);
        ASSERT_LT(script.ring.current, UndoRing::slotCount);
        ASSERT_EQ(currentLandscape, script.ring.slots[script.ring.current]);
        for (int i = 0; i < UndoRing::slotCount; i++)
            for (int k = i + 1; k < UndoRing::slotCount; k++)
                ASSERT_TRUE(script.ring.slots[i] == nullptr ||
                            script.ring.slots[i] != script.ring.slots[k]);
    }
}
