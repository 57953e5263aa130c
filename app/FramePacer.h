#pragma once
// Holds the frame loop to a minimum period on the millisecond clock by busy
// waiting for a deadline. The engine runs with period 0, so the wait never
// blocks and the loop runs as fast as the machine allows.

#include <cstdint>

class FramePacer {
  public:
    uint32_t deadline = 0; // ms on the tick clock
    uint32_t period = 0;   // ms between frames; 0 = uncapped

    // deadline = now + period.
    void resetDeadline();

    // Waits until the deadline has passed, then sets the next one. A virtual
    // clock only moves when a frame is shown, so with it the wait cannot be
    // met and is skipped instead of spinning forever.
    void wait();
};
