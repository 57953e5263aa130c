#include "app/FramePacer.h"

#include "platform/Clock.h"
#include "platform/PlatformConfig.h"

void FramePacer::resetDeadline() {
    deadline = getTickCount() + period;
}

void FramePacer::wait() {
    if (platformConfig().clockStep == 0) {
        while (ticksAfter(getTickCount(), deadline) < 0) {
        }
    }
    deadline = getTickCount() + period;
}
