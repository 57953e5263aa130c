#include "tests/support/TestSupport.h"

#include "platform/Clock.h"
#include "platform/Presenter.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Sets a clock step for the life of the object.
class VirtualClock {
  public:
    explicit VirtualClock(uint32_t step) { platformConfig().clockStep = step; }
    ~VirtualClock() { platformConfig().clockStep = 0; }
};

} // namespace

TEST(VirtualClockDeathTest, StartsAtOneThousand) {
    // A fresh process, so that no earlier test has moved the clock on.
    EXPECT_EXIT(
        {
            platformConfig().clockStep = 16;
            std::exit(getTickCount() == 1000u ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(VirtualClock, EveryReadBetweenTwoSwapsSeesTheSameValue) {
    VirtualClock clock(16);
    uint32_t first = getTickCount();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(getTickCount(), first);
}

TEST(VirtualClock, AdvancesByExactlyTheStepAtEveryPresentedFrame) {
    VirtualClock clock(16);
    uint32_t before = getTickCount();
    presentFrame(); // no window in this test: nothing is swapped, the clock still moves
    EXPECT_EQ(getTickCount(), before + 16u);
    for (int i = 0; i < 10; ++i)
        presentFrame();
    EXPECT_EQ(getTickCount(), before + 176u);
}

TEST(VirtualClock, AStepOfSeventeenGivesSeventeenMillisecondFrames) {
    VirtualClock clock(17);
    uint32_t before = getTickCount();
    advanceVirtualClock();
    advanceVirtualClock();
    EXPECT_EQ(getTickCount() - before, 34u);
}

TEST(RealClock, IsNotMovedBySwapsAndNeverRunsBackwards) {
    platformConfig().clockStep = 0;
    uint32_t previous = getTickCount();
    for (int i = 0; i < 1000; ++i) {
        advanceVirtualClock();
        uint32_t now = getTickCount();
        ASSERT_LE(uint32_t(now - previous), 1000u) << "the monotonic clock jumped or went back";
        previous = now;
    }
}
