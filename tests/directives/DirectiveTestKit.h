#pragma once
// Helpers of the directive tests: run script text through a DirectiveScript
// from a temporary working directory and read back the message log.

#include "directives/DirectiveScript.h"
#include "landscape/Landscape.h"
#include "tests/support/BmpFiles.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Writes the text as "Directives\directive<n>.txt" and runs it; returns the
// message-log lines ("[caption] text") written meanwhile.
inline std::vector<std::string> runScriptText(DirectiveScript& script,
                                              const TempWorkingDirectory& folder,
                                              const std::string& text, int n = 1) {
    folder.writeFile("Directives\\directive" + std::to_string(n) + ".txt", text);
    startCapturingMessages();
    script.run(n);
    std::vector<std::string> messages;
    for (const std::string& line : stopCapturingMessages())
        if (!line.empty() && line[0] == '[')
            messages.push_back(line);
    return messages;
}

inline int countOf(const std::vector<std::string>& messages, const std::string& message) {
    return int(std::count(messages.begin(), messages.end(), message));
}

const char* const badDirective = "[] Bad directive";
const char* const smallMap = "newmap\n32\n32\n16\n1\n"; // 2 x 2 sectors of 17 x 17 vertices
