#pragma once
// Keyboard and mouse state as plain global tables that any part of the
// program reads directly. KeyState has one byte per SDL key symbol: 1 while
// the key is held, 0 otherwise. The frame loop fills the tables once per
// frame by draining the SDL event queue; there are no callbacks. A reader
// that wants one action per press clears the entry itself after acting.
// The Escape entry doubles as the program-wide quit flag: setting it ends
// the frame loop after the current frame, and nothing ever clears it.

#include <cstdint>

union SDL_Event;

const int keyTableSize = 512; // every SDL 1.2 key symbol is below this
const int quitKey = 27;       // SDLK_ESCAPE: its entry is the quit flag

extern uint8_t KeyState[keyTableSize];

struct MouseRecord {
    uint32_t x = 0;     // pixels, last position reported by a motion event
    uint32_t y = 0;     // pixels
    int32_t left = 0;   // 1 while held
    int32_t right = 0;  // 1 while held
    int32_t middle = 0; // 1 while held; also the wheel's buttons 4 and 5
};

extern MouseRecord MouseState;

inline bool quitRequested() {
    return KeyState[quitKey] != 0;
}
inline void requestQuit() {
    KeyState[quitKey] = 1;
}

// Sets every KeyState entry to 0.
void clearKeys();

// Drains the SDL event queue into the tables. The window manager's close
// request is ignored: only the quit flag ends the program.
void pollEvents();

// Applies one event to the tables (what pollEvents does for each event).
void handleEvent(const SDL_Event& event);

// The end of loop frame `frame` (from 1) for an unattended run: applies the
// scripted key events of that frame as if typed and sets the quit flag when
// the run's last frame has been drawn.
void applyScriptedInput(uint32_t frame);
