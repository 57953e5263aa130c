#include "platform/DialogLayout.h"

#include <algorithm>

namespace {

// Splits one paragraph (no line breaks) into lines no wider than maxWidth.
void wrapParagraph(const std::string& paragraph, int maxWidth,
                   const std::function<int(const std::string&)>& textWidth,
                   std::vector<std::string>& lines) {
    if (textWidth(paragraph) <= maxWidth) {
        lines.push_back(paragraph);
        return;
    }
    std::string line;
    size_t position = 0;
    while (position < paragraph.size()) {
        size_t space = paragraph.find(' ', position);
        size_t end = space == std::string::npos ? paragraph.size() : space;
        std::string word = paragraph.substr(position, end - position);
        std::string candidate = line.empty() ? word : line + " " + word;
        if (textWidth(candidate) <= maxWidth) {
            line = candidate;
        } else {
            if (!line.empty())
                lines.push_back(line);
            line.clear();
            // A word wider than a line is cut where it no longer fits.
            while (textWidth(word) > maxWidth && word.size() > 1) {
                size_t fit = 1;
                while (fit < word.size() && textWidth(word.substr(0, fit + 1)) <= maxWidth)
                    ++fit;
                lines.push_back(word.substr(0, fit));
                word.erase(0, fit);
            }
            line = word;
        }
        position = end + (space == std::string::npos ? 0 : 1);
    }
    if (!line.empty())
        lines.push_back(line);
}

} // namespace

std::vector<std::string> wrapDialogText(const std::string& text, int maxTextWidth,
                                        const std::function<int(const std::string&)>& textWidth) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (true) {
        size_t lineBreak = text.find('\n', start);
        std::string paragraph = text.substr(
            start, lineBreak == std::string::npos ? std::string::npos : lineBreak - start);
        wrapParagraph(paragraph, std::max(maxTextWidth, 1), textWidth, lines);
        if (lineBreak == std::string::npos)
            break;
        start = lineBreak + 1;
    }
    return lines;
}

std::vector<DialogRect> dialogButtonRects(int windowWidth, int windowHeight, int buttonCount) {
    std::vector<DialogRect> rects;
    int rowWidth = buttonCount * dialogButtonWidth + (buttonCount - 1) * dialogButtonGap;
    int x = (windowWidth - rowWidth) / 2;
    int y = windowHeight - dialogMargin - dialogButtonHeight;
    for (int i = 0; i < buttonCount; ++i) {
        DialogRect rect;
        rect.x = x + i * (dialogButtonWidth + dialogButtonGap);
        rect.y = y;
        rect.width = dialogButtonWidth;
        rect.height = dialogButtonHeight;
        rects.push_back(rect);
    }
    return rects;
}

DialogLayout layoutDialog(const std::string& text, int buttonCount, int lineHeight, int ascent,
                          int maxWindowWidth,
                          const std::function<int(const std::string&)>& textWidth) {
    DialogLayout layout;
    layout.lineHeight = std::max(lineHeight, 1);
    layout.textLeft = dialogMargin;
    layout.lines = wrapDialogText(text, maxWindowWidth - 2 * dialogMargin, textWidth);

    int widest = 0;
    for (const std::string& line : layout.lines)
        widest = std::max(widest, textWidth(line));
    int rowWidth = buttonCount * dialogButtonWidth + (buttonCount - 1) * dialogButtonGap;
    layout.width =
        std::max({widest + 2 * dialogMargin, rowWidth + 2 * dialogMargin, dialogMinimumWidth});
    layout.firstBaseline = dialogMargin + ascent;
    int textHeight = int(layout.lines.size()) * layout.lineHeight;
    layout.height = dialogMargin + textHeight + dialogMargin + dialogButtonHeight + dialogMargin;
    layout.buttons = dialogButtonRects(layout.width, layout.height, buttonCount);
    return layout;
}
