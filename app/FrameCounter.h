#pragma once
// Counts the frames drawn in windows of one second on the tick clock and
// shows the count of the last finished window (-1 until the first closes).
// The frame that closes a window is counted in neither, so a steady 60 frames
// per second reads about 59.

#include <cstdint>

class FrameCounter {
  public:
    int32_t shown = -1;       // frames of the last finished window; -1 before the first
    uint32_t frames = 0;      // frames counted in the current window
    uint32_t windowStart = 0; // ms, tick count at which the current window began

    void start();
    void update(); // once per frame
};
