// No text file, however malformed, may crash the interpreter or leave the
// ring in a broken state: random bytes and random mixes of keywords and
// argument lines are run on small maps.

#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const char* const keywords[] = {
    "newmap",      "loadbump",       "settexture",
    "undo",        "load",           "save",
    "multvertex",  "finalize",       "normalizetexcoords",
    "setsundir",   "sunlight",       "traceshadows",
    "resetpos",    "multsundir",     "sunambient",
    "setocean",    "plantpalmtrees", "clearentities",
    "startpaint",  "maptexture",     "endpaint",
    "setviewdist", "saveentities",   "loadentities",
    "setfogcolor", "createsun",      "createcamera",
    "createtank",  "spawn",
};

const char* const names[] = {"img.bmp", "tex.bmp", "nothing.bmp", "garbage.bmp", "m.map",
                             "n.map",   "",        "e.ent",       "img.bmp\r",   " tex.bmp"};

const char* const numbers[] = {
    "0",    "1",   "2",      "-1",         "3",           "8",
    "16",   "33",  "0.5",    "-0.25",      "1e9",         "-1e30",
    "nan",  "inf", "100000", "2147483647", "-2147483648", "99999999999999999999",
    "0x10", " 4",  "4 "};

class Fuzzer {
  public:
    explicit Fuzzer(uint32_t seed) : random(seed) {}

    int below(int n) { return int(random() % uint32_t(n)); }

    std::string garbage(int maxLength) {
        std::string text;
        int length = below(maxLength + 1);
        for (int i = 0; i < length; i++) {
            char c = char(below(256));
            if (c == '/' || c == '\\')
                c = '_'; // file names stay inside the test folder
            text += c;
        }
        return text;
    }

    std::string argumentLine() {
        switch (below(6)) {
        case 0:
        case 1:
            return numbers[below(sizeof numbers / sizeof numbers[0])];
        case 2:
            return names[below(sizeof names / sizeof names[0])];
        case 3:
            return garbage(20);
        case 4:
            return below(8) == 0 ? std::string(1030 + below(200), '7') : "";
        default:
            return keywords[below(sizeof keywords / sizeof keywords[0])];
        }
    }

    std::string lineBreak() {
        int kind = below(10);
        return kind < 7 ? "\n" : kind < 9 ? "\r\n" : "\r";
    }

    std::string mixedScript(int lines) {
        std::string text;
        for (int i = 0; i < lines; i++) {
            int kind = below(10);
            if (kind < 5)
                text += keywords[below(sizeof keywords / sizeof keywords[0])];
            else if (kind < 9)
                text += argumentLine();
            else
                text += garbage(40);
            if (i + 1 < lines || below(2) == 0)
                text += lineBreak();
        }
        return text;
    }

    std::string randomBytes(int maxLength) {
        std::string text;
        int length = below(maxLength + 1);
        for (int i = 0; i < length; i++)
            text += below(12) == 0 ? '\n' : char(below(256));
        return text;
    }

  private:
    std::mt19937 random;
};

// The ring must name exactly one current Landscape, its own.
void expectRingIntact(const DirectiveScript& script) {
    ASSERT_GE(script.ring.current, 0);
    ASSERT_LT(script.ring.current, UndoRing::slotCount);
    ASSERT_NE(currentLandscape, nullptr);
    ASSERT_EQ(currentLandscape, script.ring.slots[script.ring.current]);
    for (int i = 0; i < UndoRing::slotCount; i++) {
        for (int k = i + 1; k < UndoRing::slotCount; k++) {
            if (script.ring.slots[i] != nullptr) {
                ASSERT_NE(script.ring.slots[i], script.ring.slots[k]);
            }
        }
    }
}

void writeFuzzData(const TempWorkingDirectory& folder) {
    folder.writeFile("img.bmp", makeBmp(20, 20, [](int x, int y) { return redOnly(x * y); }));
    folder.writeFile("tex.bmp", makeBmp(4, 4, [](int x, int) { return x * 0x102030; }));
    folder.writeFile("garbage.bmp", "BM\x10\x00\x00\x00garbage");
    folder.writeFile("n.map", "not a map file at all");
}

} // namespace

TEST(DirectiveFuzz, RandomBytesNeverBreakTheInterpreter) {
    TempWorkingDirectory folder;
    writeFuzzData(folder);
    DirectiveScript script;
    runScriptText(script, folder, "newmap\n16\n16\n8\n1\n");
    Fuzzer fuzzer(20240601);
    for (int round = 0; round < 200; round++) {
        std::string text = fuzzer.randomBytes(3000);
        runScriptText(script, folder, text, 5);
        expectRingIntact(script);
        if (HasFatalFailure())
            return;
    }
}

TEST(DirectiveFuzz, RandomKeywordAndArgumentMixesNeverBreakTheInterpreter) {
    ASSERT_TRUE(openTestWindow());
    TempWorkingDirectory folder;
    writeFuzzData(folder);
    DirectiveScript script;
    Vector3 eye(10, 5, 10), angles(0, 135, 0);
    currentLandscape->cameraPosition = &eye;
    currentLandscape->cameraAngles = &angles;
    Fuzzer fuzzer(7);
    for (int round = 0; round < 300; round++) {
        std::string text = "newmap\n16\n16\n8\n1\n" + fuzzer.mixedScript(30);
        runScriptText(script, folder, text, 7);
        expectRingIntact(script);
        if (HasFatalFailure())
            return;
    }
}
