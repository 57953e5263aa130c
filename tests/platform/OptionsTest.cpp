// The command line and the key script it may name.
#include "tests/support/TestSupport.h"

#include "platform/MessageBox.h"
#include "platform/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Parses a command line given as words (the program name is added).
OptionsResult parse(std::vector<std::string> words, PlatformConfig& config) {
    std::vector<const char*> argv{"kestu"};
    for (const std::string& w : words)
        argv.push_back(w.c_str());
    return parseOptions(int(argv.size()), argv.data(), config);
}

} // namespace

TEST(Options, BadCommandLinesAreRefusedWithOneLineNamingTheFault) {
    TempWorkingDirectory folder;
    folder.writeFile("bad.txt", "1 down e\n2 press e\n");
    const struct {
        std::vector<std::string> words;
        const char* named; // part of the error line
    } cases[] = {
        {{"--fullscreen"}, "--fullscreen"},
        {{"-b"}, "-b"},
        {{"map.txt"}, "map.txt"},
        {{"--answers"}, "--answers"},
        {{"--frames"}, "--frames"},
        {{"--keys"}, "--keys"},
        {{"--screenshot="}, ""},
        {{"--answers", "yes,maybe"}, "maybe"},
        {{"--answers", "Yes"}, ""},
        {{"--answers", "yes,,no"}, ""},
        {{"--answers", "ok"}, ""},
        {{"--keys", "missing.txt"}, "missing.txt"},
        {{"--keys", "bad.txt"}, "line 2"},
    };
    std::vector<std::vector<std::string>> all;
    for (const auto& c : cases)
        all.push_back(c.words);
    for (const char* bad : {"0", "-5", "+5", "12x", "1.5", "", " 3", "4294967296"})
        for (const char* option : {"--frames", "--clock-step"})
            all.push_back({option, bad});
    for (const auto& words : all) {
        PlatformConfig config;
        OptionsResult result = parse(words, config);
        EXPECT_EQ(result.outcome, OptionsOutcome::Error) << words[0] << " " << words.back();
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.error.find('\n'), std::string::npos) << "error must be one line";
    }
    for (const auto& c : cases) {
        PlatformConfig config;
        EXPECT_NE(parse(c.words, config).error.find(c.named), std::string::npos) << c.named;
    }
}

TEST(KeyScript, EventsAreSortedByFrameAndBadLinesNameTheirLineAndKeepTheOldEvents) {
    std::vector<KeyEventLine> events;
    std::string error;
    ASSERT_TRUE(parseKeyScript("# walk\n4 down a\n2 down space  # rise\n\n4 up a\n2 up escape\n"
                               "1 down up\n1 down left\n",
                               events, error))
        << error;
    const struct {
        unsigned frame;
        bool down;
        int key;
    } expected[] = {{1, true, 273}, {1, true, 276}, {2, true, 32},
                    {2, false, 27}, {4, true, 'a'}, {4, false, 'a'}};
    ASSERT_EQ(events.size(), 6u);
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_TRUE(events[i].frame == expected[i].frame && events[i].down == expected[i].down &&
                    events[i].key == expected[i].key)
            << i;
    for (const char* script : {"0 down a\n", "x down a\n", "1 down\n", "1 down shift\n",
                               "1 down A\n", "1 hold a\n", "1 down a b\n", "-1 down a\n"}) {
        std::vector<KeyEventLine> kept{{9, true, 97}};
        EXPECT_FALSE(parseKeyScript(script, kept, error)) << script;
        EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
        EXPECT_EQ(kept.size(), 1u) << "a refused file must not change the events";
    }
}
