#pragma once
// Helpers of the directive tests: run script text through a DirectiveScript
// from a temporary working directory, read back the message log, and write
// small 24-bit BMP images.

#include "directives/DirectiveScript.h"
#include "landscape/Landscape.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
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
    std::vector<std::string> lines = stopCapturingMessages();
    std::vector<std::string> messages;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '[')
            messages.push_back(line);
    }
    return messages;
}

inline int countOf(const std::vector<std::string>& messages, const std::string& message) {
    int count = 0;
    for (const std::string& m : messages)
        count += m == message ? 1 : 0;
    return count;
}

// A 24-bit BMP of width x height pixels; colour(x, y) gives (r, g, b) of the
// pixel in column x of picture row y, row 0 at the top.
inline std::string makeBmp(int width, int height,
                           const std::function<uint32_t(int x, int y)>& colour) {
    int rowBytes = (width * 3 + 3) & ~3;
    uint32_t imageSize = uint32_t(rowBytes * height);
    uint32_t fileSize = 54 + imageSize;
    std::string out(fileSize, '\0');
    auto put16 = [&out](size_t at, uint32_t v) {
        out[at] = char(v & 0xFF);
        out[at + 1] = char((v >> 8) & 0xFF);
    };
    auto put32 = [&out](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            out[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    for (int y = 0; y < height; y++) {
        size_t row = 54 + size_t(height - 1 - y) * rowBytes; // bottom-up rows
        for (int x = 0; x < width; x++) {
            uint32_t rgb = colour(x, y);
            out[row + x * 3 + 0] = char(rgb & 0xFF);         // blue
            out[row + x * 3 + 1] = char((rgb >> 8) & 0xFF);  // green
            out[row + x * 3 + 2] = char((rgb >> 16) & 0xFF); // red
        }
    }
    return out;
}

inline uint32_t redOnly(int red) {
    return uint32_t(red & 0xFF) << 16;
}

// Height of vertex (column, row) of sector (i, j) of the current Landscape.
inline float vertexHeight(int i, int j, int column, int row) {
    const Sector& sector = currentLandscape->sectorAt(i, j);
    return sector.positions[size_t(row) * sector.columns + column].y;
}

// The ring slot the current Landscape lives in, or -1.
inline int currentSlot(const DirectiveScript& script) {
    for (int i = 0; i < UndoRing::slotCount; i++) {
        if (script.ring.slots[i] != nullptr && script.ring.slots[i] == currentLandscape)
            return i;
    }
    return -1;
}

const char* const badDirective = "[] Bad directive";
const char* const smallMap = "newmap\n32\n32\n16\n1\n"; // 2 x 2 sectors of 17 x 17 vertices
