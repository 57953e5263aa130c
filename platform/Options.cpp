#include "platform/Options.h"

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

const char helpText[] =
    "Usage: kestu [OPTION]...\n"
    "Runs the Kestu landscape demo in the current folder (it must hold Directives/ and data/).\n"
    "With no option both start-up questions are asked.\n"
    "\n"
    "  --batch             nobody is asked: no dialog opens; OK boxes are answered OK,\n"
    "                      questions from --answers, beyond it with their last button\n"
    "  --answers LIST      comma-separated yes, no, cancel, given in order to the question\n"
    "                      boxes (OK boxes do not use them); works with or without --batch\n"
    "  --frames N          end after the N-th frame of the frame loop, as if Escape was\n"
    "                      pressed during it\n"
    "  --clock-step MS     virtual millisecond clock: starts at 1000 and advances by exactly\n"
    "                      MS at every buffer swap, so runs repeat frame for frame\n"
    "  --clock-start MS    with --clock-step: the virtual clock's first value (default 1000;\n"
    "                      up to 4294967295, for runs across the clock's 32-bit wrap)\n"
    "  --screenshot FILE   when the program ends, write the last frame shown to FILE\n"
    "                      (PNG when the name ends in .png, else 24-bit BMP)\n"
    "  --keys FILE         key events applied by the event poll that ends the given loop\n"
    "                      frame (from 1): lines 'FRAME down KEY' or 'FRAME up KEY', KEY is\n"
    "                      a..z, space, escape, up, down, left, right; '#' starts a comment\n"
    "  --video FILE        also write every frame of the frame loop to a video through the\n"
    "                      ffmpeg program (H.264 for .mp4, else what ffmpeg picks from the\n"
    "                      name; 1000 / MS frames per second under --clock-step, else 60)\n"
    "  --immediate         send the terrain vertex by vertex every frame instead of\n"
    "                      replaying recorded lists (same picture; for measuring)\n"
    "  --watch             rebuild the world in place when a script under Directives/, or\n"
    "                      a file the last build read, changes\n"
    "  --strict            exit status 3 when any script raised a message box\n"
    "  --help              print this help and exit\n"
    "\n"
    "The world's scripts and data files name paths inside the current folder only: one\n"
    "that is absolute, starts with a drive letter or '~', or has a '..' part is refused\n"
    "with a message and read as missing (nothing is written). Copy files from elsewhere\n"
    "into the folder. The files named by these options may be anywhere.\n";

// Whole decimal number that fits 32 bits; no sign, no spaces.
bool parseWhole(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10u + uint64_t(c - '0');
    }
    if (result > 0xFFFFFFFFu)
        return false;
    value = uint32_t(result);
    return true;
}

// The same, at least 1.
bool parsePositive(const std::string& text, uint32_t& value) {
    uint32_t result = 0;
    if (!parseWhole(text, result) || result == 0)
        return false;
    value = result;
    return true;
}

bool parseAnswers(const std::string& list, std::vector<int>& answers, std::string& error) {
    answers.clear();
    size_t start = 0;
    while (true) {
        size_t comma = list.find(',', start);
        std::string word =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (word == "yes")
            answers.push_back(IDYES);
        else if (word == "no")
            answers.push_back(IDNO);
        else if (word == "cancel")
            answers.push_back(IDCANCEL);
        else {
            error = "--answers: '" + word + "' is not yes, no or cancel";
            return false;
        }
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool readWholeFile(const std::string& path, std::string& text) {
    FILE* stream = openOwnFile(path.c_str(), "rb");
    if (stream == nullptr)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        text.append(buffer, got);
    bool ok = std::ferror(stream) == 0;
    std::fclose(stream);
    return ok;
}

// Splits "--name=value" into its parts; for "--name" value stays unset.
void splitOption(const std::string& argument, std::string& name, std::string& value,
                 bool& hasValue) {
    size_t equals = argument.find('=');
    hasValue = equals != std::string::npos;
    name = hasValue ? argument.substr(0, equals) : argument;
    value = hasValue ? argument.substr(equals + 1) : std::string();
}

OptionsResult failure(const std::string& error) {
    OptionsResult result;
    result.outcome = OptionsOutcome::Error;
    result.error = error;
    return result;
}

} // namespace

int keySymbolByName(const std::string& name) {
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        return name[0]; // SDL key symbols of letters are their lower-case codes
    if (name == "space")
        return 32;
    if (name == "escape")
        return 27;
    if (name == "up")
        return 273;
    if (name == "down")
        return 274;
    if (name == "right")
        return 275;
    if (name == "left")
        return 276;
    return -1;
}

bool parseKeyScript(const std::string& text, std::vector<KeyEventLine>& events,
                    std::string& error) {
    std::vector<KeyEventLine> parsed;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string frameWord, actionWord, keyWord, extra;
        if (!(words >> frameWord))
            continue; // blank or comment only
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (!(words >> actionWord >> keyWord)) {
            error = where + "expected 'FRAME down KEY' or 'FRAME up KEY'";
            return false;
        }
        if (words >> extra) {
            error = where + "unexpected '" + extra + "' after the key";
            return false;
        }
        KeyEventLine event{};
        if (!parsePositive(frameWord, event.frame)) {
            error = where + "'" + frameWord + "' is not a frame number (frames count from 1)";
            return false;
        }
        if (actionWord == "down")
            event.down = true;
        else if (actionWord == "up")
            event.down = false;
        else {
            error = where + "'" + actionWord + "' is neither down nor up";
            return false;
        }
        event.key = keySymbolByName(keyWord);
        if (event.key < 0) {
            error = where + "unknown key '" + keyWord + "'";
            return false;
        }
        parsed.push_back(event);
    }
    std::stable_sort(
        parsed.begin(), parsed.end(),
        [](const KeyEventLine& a, const KeyEventLine& b) { return a.frame < b.frame; });
    events = std::move(parsed);
    return true;
}

OptionsResult parseOptions(int argc, const char* const* argv, PlatformConfig& config) {
    bool clockStartGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string name, value;
        bool hasValue = false;
        splitOption(argv[i] ? argv[i] : "", name, value, hasValue);

        if (name == "--help" || name == "--batch" || name == "--immediate" || name == "--watch" ||
            name == "--strict") {
            if (hasValue)
                return failure(name + " takes no value");
            if (name == "--help") {
                OptionsResult help;
                help.outcome = OptionsOutcome::Help;
                return help;
            }
            if (name == "--batch")
                config.batch = true;
            else if (name == "--watch")
                config.watch = true;
            else if (name == "--strict")
                config.strict = true;
            else
                config.immediateDrawing = true;
            continue;
        }

        const bool takesValue = name == "--answers" || name == "--frames" ||
                                name == "--clock-step" || name == "--clock-start" ||
                                name == "--screenshot" || name == "--keys" || name == "--video";
        if (!takesValue) {
            if (name.compare(0, 1, "-") == 0)
                return failure("unknown option '" + name + "' (see --help)");
            return failure("unexpected argument '" + name + "' (see --help)");
        }
        if (!hasValue) {
            if (i + 1 >= argc)
                return failure(name + " needs a value");
            value = argv[++i];
        }

        if (name == "--answers") {
            std::string error;
            if (!parseAnswers(value, config.answers, error))
                return failure(error);
            config.nextAnswer = 0;
        } else if (name == "--frames") {
            if (!parsePositive(value, config.frames))
                return failure("--frames needs a whole number of at least 1, not '" + value + "'");
        } else if (name == "--clock-step") {
            if (!parsePositive(value, config.clockStep))
                return failure("--clock-step needs a whole number of milliseconds of at least 1, "
                               "not '" +
                               value + "'");
        } else if (name == "--clock-start") {
            if (!parseWhole(value, config.clockStart))
                return failure("--clock-start needs a whole number of milliseconds below 2^32, "
                               "not '" +
                               value + "'");
            clockStartGiven = true;
        } else if (name == "--screenshot") {
            if (value.empty())
                return failure("--screenshot needs a file name");
            config.screenshot = value;
        } else if (name == "--video") {
            if (value.empty())
                return failure("--video needs a file name");
            config.video = value;
        } else if (name == "--keys") {
            std::string text, error;
            if (value.empty() || !readWholeFile(value, text))
                return failure("--keys: cannot read '" + value + "'");
            if (!parseKeyScript(text, config.keys, error))
                return failure("--keys " + value + ": " + error);
        }
    }
    if (clockStartGiven && config.clockStep == 0)
        return failure("--clock-start needs --clock-step (the real clock counts from the start)");
    return OptionsResult();
}

const char* optionsHelpText() {
    return helpText;
}
