#include "tests/support/TestSupport.h"

#include "app/FrameCounter.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

// A virtual clock of 16 ms frames for the life of the object.
class SixteenMillisecondFrames {
  public:
    SixteenMillisecondFrames() { platformConfig().clockStep = 16; }
    ~SixteenMillisecondFrames() { platformConfig().clockStep = 0; }
    void pass(int frames) {
        for (int i = 0; i < frames; ++i)
            advanceVirtualClock();
    }
};

} // namespace

TEST(FrameCounter, ShowsMinusOneUntilTheFirstSecondHasPassed) {
    SixteenMillisecondFrames clock;
    FrameCounter counter;
    counter.start();
    EXPECT_EQ(counter.shown, -1);
    for (int i = 0; i < 63; ++i) { // frames at 0, 16, ..., 992 ms
        counter.update();
        clock.pass(1);
        ASSERT_EQ(counter.shown, -1) << "frame " << i;
    }
    counter.update(); // at 1008 ms: the window closes
    EXPECT_EQ(counter.shown, 63);
}

TEST(FrameCounter, TheClosingFrameIsCountedInNeitherWindow) {
    SixteenMillisecondFrames clock;
    FrameCounter counter;
    counter.start();
    for (int i = 0; i < 64; ++i) { // 63 counted frames and the one closing at 1008 ms
        counter.update();
        clock.pass(1);
    }
    ASSERT_EQ(counter.shown, 63);
    // From then on a window starts at its closing frame, which it does not
    // count: 62 frames (16 .. 992 ms) and the one at 1008 ms that closes it.
    for (int second = 0; second < 3; ++second) {
        for (int i = 0; i < 63; ++i) {
            counter.update();
            clock.pass(1);
            if (i < 62) {
                ASSERT_EQ(counter.frames, uint32_t(i + 1));
            }
        }
        EXPECT_EQ(counter.shown, 62) << "second " << second;
        EXPECT_EQ(counter.frames, 0u);
    }
}

TEST(FrameCounter, AFirstFrameMoreThanASecondAfterTheStartShowsZero) {
    SixteenMillisecondFrames clock;
    FrameCounter counter;
    counter.start();
    clock.pass(100); // building the world took 1.6 s
    counter.update();
    EXPECT_EQ(counter.shown, 0);
    for (int i = 0; i < 62; ++i) {
        clock.pass(1);
        counter.update();
    }
    EXPECT_EQ(counter.shown, 0) << "zero for the first second of the loop";
    clock.pass(1);
    counter.update();
    clock.pass(1);
    counter.update(); // 1008 ms after the window started: closes with 62 frames
    EXPECT_EQ(counter.shown, 62);
}

namespace {

// Moves the virtual clock to a chosen reading (it only moves forwards, so
// earlier readings are reached through the 32-bit wrap).
void setVirtualClock(uint32_t reading) {
    uint32_t step = reading - getTickCount();
    if (step == 0)
        return;
    platformConfig().clockStep = step;
    advanceVirtualClock();
}

} // namespace

TEST(FrameCounter, TheSecondIsMeasuredAcrossTheClockWrap) {
    SixteenMillisecondFrames clock;
    setVirtualClock(0xFFFFFE00u); // 512 ms before the wrap
    platformConfig().clockStep = 16;
    FrameCounter counter;
    counter.start();
    clock.pass(16); // 256 ms later, still before the wrap, where start + 1000 has wrapped
    counter.update();
    EXPECT_EQ(counter.shown, -1) << "less than a second has passed";
    EXPECT_EQ(counter.frames, 1u);
    clock.pass(48); // 1024 ms after the start, past the wrap
    counter.update();
    EXPECT_EQ(counter.shown, 1);
    setVirtualClock(1000u);
}
