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

// The error line of a command line that must be refused.
std::string errorOf(std::vector<std::string> words) {
    PlatformConfig config;
    OptionsResult result = parse(words, config);
    EXPECT_EQ(result.outcome, OptionsOutcome::Error) << "accepted: " << words.front();
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << "error must be one line";
    return result.error;
}

} // namespace

TEST(Options, NoOptionKeepsTheDesktopBehaviour) {
    PlatformConfig config;
    OptionsResult result = parse({}, config);
    EXPECT_EQ(result.outcome, OptionsOutcome::Run);
    EXPECT_FALSE(config.batch);
    EXPECT_TRUE(config.answers.empty());
    EXPECT_EQ(config.frames, 0u);
    EXPECT_EQ(config.clockStep, 0u);
    EXPECT_TRUE(config.screenshot.empty());
    EXPECT_TRUE(config.keys.empty());
}

TEST(Options, EveryOptionIsStored) {
    PlatformConfig config;
    OptionsResult result =
        parse({"--batch", "--answers", "no,yes,cancel", "--frames", "300", "--clock-step", "16",
               "--screenshot", "../shot.png", "--immediate"},
              config);
    ASSERT_EQ(result.outcome, OptionsOutcome::Run) << result.error;
    EXPECT_TRUE(config.batch);
    EXPECT_EQ(config.answers, (std::vector<int>{IDNO, IDYES, IDCANCEL}));
    EXPECT_EQ(config.frames, 300u);
    EXPECT_EQ(config.clockStep, 16u);
    EXPECT_EQ(config.screenshot, "../shot.png");
    EXPECT_TRUE(config.immediateDrawing);
}

TEST(Options, ValuesMayBeJoinedWithAnEqualsSign) {
    PlatformConfig config;
    OptionsResult result = parse({"--frames=7", "--answers=yes", "--screenshot=a.bmp"}, config);
    ASSERT_EQ(result.outcome, OptionsOutcome::Run) << result.error;
    EXPECT_EQ(config.frames, 7u);
    EXPECT_EQ(config.answers, std::vector<int>{IDYES});
    EXPECT_EQ(config.screenshot, "a.bmp");
}

TEST(Options, HelpWinsOverTheRest) {
    PlatformConfig config;
    EXPECT_EQ(parse({"--batch", "--help"}, config).outcome, OptionsOutcome::Help);
    std::string help = optionsHelpText();
    for (const char* option : {"--batch", "--answers", "--frames", "--clock-step", "--screenshot",
                               "--keys", "--immediate", "--help"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(Options, UnknownOptionsAndStrayWordsAreRefused) {
    EXPECT_NE(errorOf({"--fullscreen"}).find("--fullscreen"), std::string::npos);
    EXPECT_NE(errorOf({"-b"}).find("-b"), std::string::npos);
    EXPECT_NE(errorOf({"map.txt"}).find("map.txt"), std::string::npos);
}

TEST(Options, MissingValuesAreRefused) {
    for (const char* option : {"--answers", "--frames", "--clock-step", "--screenshot", "--keys"})
        EXPECT_NE(errorOf({option}).find(option), std::string::npos) << option;
    EXPECT_FALSE(errorOf({"--screenshot="}).empty());
}

TEST(Options, FrameCountsAndClockStepsMustBePositiveWholeNumbers) {
    for (const char* bad : {"0", "-5", "+5", "12x", "1.5", "", " 3", "4294967296", "99999999999"}) {
        EXPECT_FALSE(errorOf({"--frames", bad}).empty()) << bad;
        EXPECT_FALSE(errorOf({"--clock-step", bad}).empty()) << bad;
    }
    PlatformConfig config;
    ASSERT_EQ(parse({"--frames", "4294967295"}, config).outcome, OptionsOutcome::Run);
    EXPECT_EQ(config.frames, 4294967295u);
}

TEST(Options, AnswersAcceptOnlyYesNoCancel) {
    EXPECT_NE(errorOf({"--answers", "yes,maybe"}).find("maybe"), std::string::npos);
    EXPECT_FALSE(errorOf({"--answers", "Yes"}).empty());
    EXPECT_FALSE(errorOf({"--answers", "yes,,no"}).empty());
    EXPECT_FALSE(errorOf({"--answers", "yes,"}).empty());
    EXPECT_FALSE(errorOf({"--answers", "ok"}).empty());
}

TEST(Options, KeyFileIsReadAndParsed) {
    TempWorkingDirectory folder;
    folder.writeFile("keys.txt", "# walk forward for two frames\n"
                                 "3 down e\n"
                                 "1 down space   # rise\n"
                                 "\n"
                                 "5 up e\n");
    PlatformConfig config;
    OptionsResult result = parse({"--keys", "keys.txt"}, config);
    ASSERT_EQ(result.outcome, OptionsOutcome::Run) << result.error;
    ASSERT_EQ(config.keys.size(), 3u);
    EXPECT_EQ(config.keys[0].frame, 1u);
    EXPECT_EQ(config.keys[0].key, 32);
    EXPECT_TRUE(config.keys[0].down);
    EXPECT_EQ(config.keys[1].frame, 3u);
    EXPECT_EQ(config.keys[1].key, 'e');
    EXPECT_EQ(config.keys[2].frame, 5u);
    EXPECT_FALSE(config.keys[2].down);
}

TEST(Options, UnreadableOrBadKeyFilesAreRefused) {
    TempWorkingDirectory folder;
    EXPECT_NE(errorOf({"--keys", "missing.txt"}).find("missing.txt"), std::string::npos);
    folder.writeFile("bad.txt", "1 down e\n2 press e\n");
    std::string error = errorOf({"--keys", "bad.txt"});
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(KeyScript, KeyNamesMapToSdlKeySymbols) {
    EXPECT_EQ(keySymbolByName("a"), 97);
    EXPECT_EQ(keySymbolByName("z"), 122);
    EXPECT_EQ(keySymbolByName("space"), 32);
    EXPECT_EQ(keySymbolByName("escape"), 27);
    EXPECT_EQ(keySymbolByName("up"), 273);
    EXPECT_EQ(keySymbolByName("down"), 274);
    EXPECT_EQ(keySymbolByName("right"), 275);
    EXPECT_EQ(keySymbolByName("left"), 276);
    for (const char* bad : {"A", "1", "", "ab", "Escape", "enter", "{"})
        EXPECT_EQ(keySymbolByName(bad), -1) << bad;
}

TEST(KeyScript, EventsAreSortedByFrameKeepingFileOrderWithinAFrame) {
    std::vector<KeyEventLine> events;
    std::string error;
    ASSERT_TRUE(parseKeyScript("4 down a\n2 down x\n4 up a\n2 up x\n", events, error)) << error;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].frame, 2u);
    EXPECT_TRUE(events[0].down);
    EXPECT_EQ(events[1].frame, 2u);
    EXPECT_FALSE(events[1].down);
    EXPECT_EQ(events[2].key, 'a');
    EXPECT_TRUE(events[2].down);
    EXPECT_FALSE(events[3].down);
}

TEST(KeyScript, BadLinesNameTheirLineAndKeepTheOldEvents) {
    const char* badScripts[] = {
        "0 down a\n",     // frames count from 1
        "x down a\n",     // not a number
        "1 down\n",       // no key
        "1 down shift\n", // unknown key
        "1 hold a\n",     // neither down nor up
        "1 down a b\n",   // trailing word
        "-1 down a\n",    // negative frame
    };
    for (const char* script : badScripts) {
        std::vector<KeyEventLine> events{{9, true, 97}};
        std::string error;
        EXPECT_FALSE(parseKeyScript(script, events, error)) << script;
        EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
        EXPECT_EQ(events.size(), 1u) << "a refused file must not change the events";
    }
}
