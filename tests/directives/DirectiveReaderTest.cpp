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
        bool endedBefore = !lines.empty() && lines.back().atEnd;
        int length = reader.readLine(buffer.data(), capacity);
        EXPECT_EQ(buffer[length], '\0');
        lines.push_back(
            {std::string(buffer.data(), size_t(length)), reader.atEnd(), reader.lastLineMissing()});
        if (endedBefore)
            break;
    }
    return lines;
}

} // namespace

TEST(DirectiveReader, SplitsLinesAtBreaksAndAtTheBufferCapacity) {
    const std::string a1023(1023, 'a');
    struct Case {
        std::string contents;
        int capacity;
        std::vector<std::string> expected; // the leading lines
    } cases[] = {
        {"newmap\r\n16\r\n", 1024, {"newmap", "16", ""}}, // CR before LF is dropped
        {"a\rb\nc\r", 1024, {"a\rb", "c\r"}},             // a lone CR stays in the line
        {"\n\nx\n", 1024, {"", "", "x"}},
        {a1023 + "bc\nnext\n", 1024, {a1023, "bc", "next"}}, // split after 1023
        {a1023 + "\nnext\n", 1024, {a1023, "next"}},         // exactly 1023 keeps its break
        {a1023 + "\r\nnext\r\n", 1024, {a1023, "next"}},
        {std::string(300, 'n') + "\n0.5\n",
         256,
         {std::string(255, 'n'), std::string(45, 'n'), "0.5"}},
        {std::string("undo\0x\n", 7), 1024, {std::string("undo\0x", 6)}}, // NUL bytes kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents.substr(0, 20));
        std::vector<Line> lines = readAll(c.contents, c.capacity);
        ASSERT_GE(lines.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); i++)
            EXPECT_EQ(lines[i].text, c.expected[i]) << "line " << i;
    }
}

TEST(DirectiveReader, EndOfFileAndMissingLastLine) {
    // A last line without a break is read, ends the file and is not missing;
    // reading on gives empty text reported as missing.
    std::vector<Line> lines = readAll("first\nlast");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(lines[0].atEnd);
    EXPECT_EQ(lines[1].text, "last");
    EXPECT_TRUE(lines[1].atEnd);
    EXPECT_FALSE(lines[1].missing);
    EXPECT_EQ(lines[2].text, "");
    EXPECT_TRUE(lines[2].atEnd);
    EXPECT_TRUE(lines[2].missing);

    // A file ending with a break ends on an empty, missing line.
    lines = readAll("only\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(lines[0].atEnd);
    EXPECT_EQ(lines[1].text, "");
    EXPECT_TRUE(lines[1].atEnd);
    EXPECT_TRUE(lines[1].missing);

    // An empty line inside the file is neither.
    lines = readAll("\n\nx\n");
    EXPECT_FALSE(lines[0].missing);
    EXPECT_FALSE(lines[0].atEnd);

    lines = readAll("a\rb\nc\r");
    EXPECT_TRUE(lines[1].atEnd);
}

TEST(DirectiveReader, MissingFileReadsNothingAndReopeningStartsAfresh) {
    TempWorkingDirectory folder;
    DirectiveReader reader;
    EXPECT_FALSE(reader.open("Directives\\none.txt"));
    char buffer[16] = "x";
    EXPECT_EQ(reader.readLine(buffer, 8), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_TRUE(reader.atEnd());

    folder.writeFile("a.txt", "one");
    folder.writeFile("b.txt", "two\n");
    ASSERT_TRUE(reader.open("a.txt"));
    reader.readLine(buffer, 16);
    EXPECT_TRUE(reader.atEnd());
    ASSERT_TRUE(reader.open("b.txt"));
    EXPECT_FALSE(reader.atEnd());
    reader.readLine(buffer, 16);
    EXPECT_STREQ(buffer, "two");
    EXPECT_FALSE(reader.atEnd());
}
