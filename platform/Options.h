#pragma once
// The command line of kestu. The engine itself is configured by its scripts
// only; these options belong to the platform layer and let the program run
// unattended: batch answers for the questions, a frame limit, a virtual clock,
// a screenshot at the end and scripted key events; and, for map authors, a
// world rebuilt when its files change and a strict exit status. Parsing never
// exits or prints: it reports what to do and, on a bad command line, one line
// of error text for main to show.

#include "platform/PlatformConfig.h"

#include <string>
#include <vector>

enum class OptionsOutcome {
    Run,  // start the program with the filled configuration
    Help, // print optionsHelpText and exit 0
    Error // print the error line and exit 2
};

struct OptionsResult {
    OptionsOutcome outcome = OptionsOutcome::Run;
    std::string error; // one line, without a trailing line break
};

// Reads argv[1..argc-1] into config. Accepts "--name value" and "--name=value".
OptionsResult parseOptions(int argc, const char* const* argv, PlatformConfig& config);

// Parses the text of a key file ("FRAME down KEY" / "FRAME up KEY" lines, '#'
// comments) into events sorted by frame, keeping the file order within a
// frame. On a bad line returns false and sets error to "line N: ...".
bool parseKeyScript(const std::string& text, std::vector<KeyEventLine>& events, std::string& error);

// The SDL key symbol of a key name of the key file, or -1.
int keySymbolByName(const std::string& name);

const char* optionsHelpText();
