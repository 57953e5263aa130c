#include "platform/Clock.h"

#include "platform/PlatformConfig.h"

#include <ctime>

static uint32_t virtualNow = 1000;

uint32_t getTickCount() {
    if (platformConfig().clockStep != 0)
        return virtualNow;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return uint32_t(ms);
}

void advanceVirtualClock() {
    if (platformConfig().clockStep != 0)
        virtualNow += platformConfig().clockStep;
}
