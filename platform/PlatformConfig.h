#pragma once
// How the platform layer behaves for this run: filled once by main from the
// command line, read by the message box, the clock and the frame presenter.
// With no options every field keeps its default and the program behaves as a
// desktop program: real dialogs, real clock, no screenshot.

#include <cstdint>
#include <string>
#include <vector>

struct KeyEventLine {
    uint32_t frame; // loop frame (from 1) whose closing event poll applies it
    bool down;      // true for a press, false for a release
    int key;        // SDL key symbol
};

struct PlatformConfig {
    bool batch = false;             // no dialog opens
    std::vector<int> answers;       // IDYES / IDNO / IDCANCEL, in order
    size_t nextAnswer = 0;          // answers used so far
    uint32_t frames = 0;            // end after this loop frame; 0 = never
    uint32_t clockStep = 0;         // ms per buffer swap of the virtual clock; 0 = real clock
    uint32_t clockStart = 1000;     // ms, first value of the virtual clock
    std::string screenshot;         // file written at exit; empty = none
    std::string video;              // video of the loop's frames, through ffmpeg; empty = none
    std::vector<KeyEventLine> keys; // scripted key events, sorted by frame
    bool immediateDrawing = false;  // terrain sent vertex by vertex every frame, not replayed
    bool watch = false;             // rebuild the world when a file it was built from changes
    bool strict = false;            // exit status 3 when a script raised a message box
};

PlatformConfig& platformConfig();
