#include "app/FrameCounter.h"

#include "platform/Clock.h"

void FrameCounter::start() {
    shown = -1;
    frames = 0;
    windowStart = getTickCount();
}

void FrameCounter::update() {
    uint32_t now = getTickCount();
    if (ticksAfter(now, windowStart) < 1000) {
        ++frames;
        return;
    }
    shown = int32_t(frames);
    frames = 0;
    windowStart = getTickCount();
}
