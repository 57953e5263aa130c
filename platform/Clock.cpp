#include "platform/Clock.h"

#include "platform/PlatformConfig.h"

#include <ctime>

namespace {

uint64_t monotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
}

const uint64_t programStart = monotonicMilliseconds(); // ms on the monotonic clock
uint32_t virtualElapsed = 0; // ms the virtual clock has advanced since its first value

} // namespace

uint32_t getTickCount() {
    const PlatformConfig& config = platformConfig();
    if (config.clockStep != 0)
        return config.clockStart + virtualElapsed;
    return uint32_t(monotonicMilliseconds() - programStart);
}

void advanceVirtualClock() {
    if (platformConfig().clockStep != 0)
        virtualElapsed += platformConfig().clockStep;
}
