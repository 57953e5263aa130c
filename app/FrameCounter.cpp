#include "app/FrameCounter.h"

#include "platform/Clock.h"

void FrameCounter::start() {
    shown = -1;
    frames = 0;
    windowStart = getTickCount();
}

void FrameCounter::update() {
    uint32_t now = getTickCount();
    // Measured as elapsed time so the window also closes across the clock's wrap.
    if (now - windowStart < 1000u) {
        ++frames;
        return;
    }
    shown = int32_t(frames);
    frames = 0;
    windowStart = getTickCount();
}
