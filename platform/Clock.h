#pragma once
// The millisecond tick count: an unsigned 32-bit value that wraps. Either the
// real monotonic clock, or, when a clock step is configured, a virtual clock
// that starts at 1000 and advances by exactly that step at every buffer swap,
// so runs repeat frame for frame.

#include <cstdint>

uint32_t getTickCount();

// Called by the buffer swap; moves the virtual clock on (no effect on the real one).
void advanceVirtualClock();
