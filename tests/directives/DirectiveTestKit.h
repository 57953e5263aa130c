#pragma once
// Helpers of the directive tests: run script text through a DirectiveScript
// from a temporary working directory, read back the message log, and write
// small 24-bit BMP images through the engine's own writer.

#include "directives/DirectiveScript.h"
#include "image/Texture.h"
#include "landscape/Landscape.h"
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

// A 24-bit BMP; colour(x, y) gives 0xRRGGBB of the pixel in column x of row y,
// row 0 at the top. Parent folders are made as needed.
inline void writeBmp(const std::string& path, int width, int height,
                     const std::function<uint32_t(int x, int y)>& colour) {
    std::filesystem::path file(path);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    Texture image;
    image.allocate(width, height, 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                image.pixels[(size_t(y) * width + x) * 3 + c] =
                    uint8_t(colour(x, y) >> (16 - 8 * c));
    image.saveBmp(path.c_str());
}

inline uint32_t redOnly(int red) {
    return uint32_t(red & 0xFF) << 16;
}

const char* const badDirective = "[] Bad directive";
const char* const smallMap = "newmap\n32\n32\n16\n1\n"; // 2 x 2 sectors of 17 x 17 vertices
