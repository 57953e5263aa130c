#pragma once
// Where the parts of a message dialog go, independent of X11 so it can be
// checked without a display: the text broken into lines that fit, the window
// size, and one rectangle per button in a centred row along the bottom. The
// X11 dialog draws and hit-tests with these numbers.

#include <functional>
#include <string>
#include <vector>

struct DialogRect {
    int x = 0;      // pixels from the window's left edge
    int y = 0;      // pixels from the window's top edge
    int width = 0;  // pixels
    int height = 0; // pixels
    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

struct DialogLayout {
    std::vector<std::string> lines; // the text, wrapped
    int width = 0;                  // window size, pixels
    int height = 0;
    int textLeft = 0;      // left edge of every text line
    int firstBaseline = 0; // baseline of the first line
    int lineHeight = 0;    // pixels between baselines
    std::vector<DialogRect> buttons;
};

const int dialogMargin = 16;        // pixels around the text and the button row
const int dialogButtonWidth = 84;   // pixels
const int dialogButtonHeight = 28;  // pixels
const int dialogButtonGap = 12;     // pixels between buttons
const int dialogMinimumWidth = 260; // pixels

// Breaks text at its line breaks and, where a line is wider than maxTextWidth
// (measured by textWidth), at spaces, or inside a word that alone is too wide.
std::vector<std::string> wrapDialogText(const std::string& text, int maxTextWidth,
                                        const std::function<int(const std::string&)>& textWidth);

// The button rectangles of a window of the given size.
std::vector<DialogRect> dialogButtonRects(int windowWidth, int windowHeight, int buttonCount);

// The whole layout: wraps the text to at most maxWindowWidth, sizes the window.
DialogLayout layoutDialog(const std::string& text, int buttonCount, int lineHeight, int ascent,
                          int maxWindowWidth,
                          const std::function<int(const std::string&)>& textWidth);
