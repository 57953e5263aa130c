#include "directives/DirectiveReader.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Reads every line of the given file contents, plus one read past the end, as
// text followed by "|" and the flags: "E" at the end, "M" when missing.
std::vector<std::string> readAll(const std::string& contents, int capacity = 1024) {
    TempWorkingDirectory folder;
    folder.writeFile("Directives\\script.txt", contents);
    DirectiveReader reader;
    EXPECT_TRUE(reader.open("Directives\\script.txt"));
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<size_t>(capacity));
    for (bool endedBefore = false; lines.size() < 10000;) {
        int length = reader.readLine(buffer.data(), capacity);
        EXPECT_EQ(buffer[size_t(length)], '\0');
        lines.push_back(std::string(buffer.data(), size_t(length)) + "|" +
                        (reader.atEnd() ? "E" : "") + (reader.lastLineMissing() ? "M" : ""));
        if (endedBefore)
            break;
        endedBefore = reader.atEnd();
    }
    return lines;
}

} // namespace

TEST(DirectiveReader, SplitsLinesAtBreaksAndAtTheBufferCapacityAndMarksTheEnd) {
    const std::string a1023(1023, 'a');
    using Lines = std::vector<std::string>;
    const struct {
        std::string contents;
        int capacity;
        Lines expected;
    } cases[] = {
        {"first\nlast", 1024, {"first|", "last|E", "|EM"}}, // a last line without a break
        {"only\n", 1024, {"only|", "|EM", "|EM"}},
        {"newmap\r\n16\r\n", 1024, {"newmap|", "16|", "|EM", "|EM"}}, // CR before LF dropped
        {"a\rb\nc\r", 1024, {"a\rb|", "c\r|E", "|EM"}},               // a lone CR stays
        {"\n\nx\n", 1024, {"|", "|", "x|", "|EM", "|EM"}},
        {a1023 + "bc\nnext\n", 1024, {a1023 + "|", "bc|", "next|", "|EM", "|EM"}},
        {a1023 + "\r\nnext\r\n", 1024, {a1023 + "|", "next|", "|EM", "|EM"}},
        {std::string(300, 'n') + "\n0.5",
         256,
         {std::string(255, 'n') + "|", std::string(45, 'n') + "|", "0.5|E", "|EM"}},
        {std::string("undo\0x\n", 7), 1024, {std::string("undo\0x|", 7), "|EM", "|EM"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readAll(c.contents, c.capacity), c.expected) << c.contents.substr(0, 20);
}
