#pragma once
// The millisecond tick count: an unsigned 32-bit value that wraps. Either the
// real monotonic clock counted from the program's start, so that a wrap needs
// 49.7 days of running, or, when a clock step is configured, a virtual clock
// that starts at the configured first value (1000 unless asked otherwise) and
// advances by exactly that step at every buffer swap, so runs repeat frame
// for frame. Two tick times are only ever compared through their signed
// difference (`ticksAfter`), which stays right across the wrap.

#include <cstdint>

uint32_t getTickCount();

// Called by the buffer swap; moves the virtual clock on (no effect on the real one).
void advanceVirtualClock();

// Milliseconds from tick time `since` to tick time `now`, negative when now
// comes first; right across the wrap for times less than 24.8 days apart.
inline int32_t ticksAfter(uint32_t now, uint32_t since) {
    return int32_t(now - since);
}
