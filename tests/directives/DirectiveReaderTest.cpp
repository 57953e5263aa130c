#include "directives/DirectiveReader.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Line {
    std::string text;
    bool atEnd;
    bool missing;
};

// Reads every line of the given file contents, plus one read past the end.
std::vector<Line> readAll(const std::string& contents, int capacity = 1024) {
    TempWorkingDirectory folder;
    folder.writeFile("Directives\\script.txt", contents);
    DirectiveReader reader;
    EXPECT_TRUE(reader.open("Directives\\script.txt"));
    std::vector<Line> lines;
    std::vector<char> buffer(capacity);
    for (int guard = 0; guard < 10000; guard++) {
        int length = reader.readLine(buffer.data(), capacity);
        EXPECT_EQ(buffer[length], '\0');
        lines.push_back(
            {std::string(buffer.data(), size_t(length)), reader.atEnd(), reader.lastLineMissing()});
        if (reader.atEnd())
            break;
    }
    int length = reader.readLine(buffer.data(), capacity);
    lines.push_back(
        {std::string(buffer.data(), size_t(length)), reader.atEnd(), reader.lastLineMissing()});
    return lines;
}

} // namespace

TEST(DirectiveReader, CarriageReturnBeforeLineFeedIsDropped) {
    std::vector<Line> lines = readAll("newmap\r\n16\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "newmap");
    EXPECT_EQ(lines[1].text, "16");
    EXPECT_EQ(lines[2].text, "");
}

TEST(DirectiveReader, LoneCarriageReturnStaysInTheLine) {
    std::vector<Line> lines = readAll("a\rb\nc\r");
    EXPECT_EQ(lines[0].text, "a\rb");
    EXPECT_EQ(lines[1].text, "c\r");
    EXPECT_TRUE(lines[1].atEnd);
}

TEST(DirectiveReader, LastLineWithoutBreakIsReadAndEndsTheFile) {
    std::vector<Line> lines = readAll("first\nlast");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "first");
    EXPECT_FALSE(lines[0].atEnd);
    EXPECT_EQ(lines[1].text, "last");
    EXPECT_TRUE(lines[1].atEnd);
    EXPECT_FALSE(lines[1].missing);
    // Reading on after the end gives empty text, reported as missing.
    EXPECT_EQ(lines[2].text, "");
    EXPECT_TRUE(lines[2].atEnd);
    EXPECT_TRUE(lines[2].missing);
}

TEST(DirectiveReader, FileEndingWithBreakEndsOnAnEmptyMissingLine) {
    std::vector<Line> lines = readAll("only\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(lines[0].atEnd);
    EXPECT_EQ(lines[1].text, "");
    EXPECT_TRUE(lines[1].atEnd);
    EXPECT_TRUE(lines[1].missing);
}

TEST(DirectiveReader, EmptyLineInsideTheFileIsNotMissing) {
    std::vector<Line> lines = readAll("\n\nx\n");
    EXPECT_EQ(lines[0].text, "");
    EXPECT_FALSE(lines[0].missing);
    EXPECT_FALSE(lines[0].atEnd);
    EXPECT_EQ(lines[2].text, "x");
}

TEST(DirectiveReader, LineOf1024CharactersIsSplitAfter1023) {
    std::string longLine(1023, 'a');
    longLine += "bc";
    std::vector<Line> lines = readAll(longLine + "\nnext\n");
    EXPECT_EQ(lines[0].text, std::string(1023, 'a'));
    EXPECT_EQ(lines[1].text, "bc");
    EXPECT_EQ(lines[2].text, "next");
}

TEST(DirectiveReader, LineOfExactly1023CharactersKeepsItsBreak) {
    std::string line(1023, 'z');
    std::vector<Line> lf = readAll(line + "\nnext\n");
    EXPECT_EQ(lf[0].text, line);
    EXPECT_EQ(lf[1].text, "next");
    std::vector<Line> crlf = readAll(line + "\r\nnext\r\n");
    EXPECT_EQ(crlf[0].text, line);
    EXPECT_EQ(crlf[1].text, "next");
}

TEST(DirectiveReader, SmallerCapacitySplitsEarlier) {
    std::vector<Line> lines = readAll(std::string(300, 'n') + "\n0.5\n", 256);
    EXPECT_EQ(lines[0].text.size(), 255u);
    EXPECT_EQ(lines[1].text, std::string(45, 'n'));
    EXPECT_EQ(lines[2].text, "0.5");
}

TEST(DirectiveReader, NulBytesAreKeptWithTheirLength) {
    std::vector<Line> lines = readAll(std::string("undo\0x\n", 7));
    EXPECT_EQ(lines[0].text, std::string("undo\0x", 6));
}

TEST(DirectiveReader, MissingFileCannotBeOpenedAndReadsNothing) {
    TempWorkingDirectory folder;
    DirectiveReader reader;
    EXPECT_FALSE(reader.open("Directives\\none.txt"));
    char buffer[8] = "x";
    EXPECT_EQ(reader.readLine(buffer, 8), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_TRUE(reader.atEnd());
}

TEST(DirectiveReader, ReopeningStartsAfresh) {
    TempWorkingDirectory folder;
    folder.writeFile("a.txt", "one");
    folder.writeFile("b.txt", "two\n");
    DirectiveReader reader;
    char buffer[16];
    ASSERT_TRUE(reader.open("a.txt"));
    reader.readLine(buffer, 16);
    EXPECT_TRUE(reader.atEnd());
    ASSERT_TRUE(reader.open("b.txt"));
    EXPECT_FALSE(reader.atEnd());
    reader.readLine(buffer, 16);
    EXPECT_STREQ(buffer, "two");
    EXPECT_FALSE(reader.atEnd());
}
