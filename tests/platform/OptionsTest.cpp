// The key script a batch run may name.
#include "tests/support/TestSupport.h"

#include "platform/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(KeyScript, EventsAreSortedByFrameAndBadLinesNameTheirLineAndKeepTheOldEvents) {
    std::vector<KeyEventLine> events;
    std::string error;
    ASSERT_TRUE(parseKeyScript("# walk\n4 down a\n2 down space  # rise\n\n4 up a\n2 up escape\n"
                               "1 down up\n1 down left\n",
                               events, error))
        << error;
    const struct {
        unsigned frame;
        bool down;
        int key;
    } expected[] = {{1, true, 273}, {1, true, 276}, {2, true, 32},
                    {2, false, 27}, {4, true, 'a'}, {4, false, 'a'}};
    ASSERT_EQ(events.size(), 6u);
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_TRUE(events[i].frame == expected[i].frame && events[i].down == expected[i].down &&
                    events[i].key == expected[i].key)
            << i;
    for (const char* script : {"0 down a\n", "x down a\n", "1 down\n", "1 down shift\n",
                               "1 down A\n", "1 hold a\n", "1 down a b\n", "-1 down a\n"}) {
        std::vector<KeyEventLine> kept{{9, true, 97}};
        EXPECT_FALSE(parseKeyScript(script, kept, error)) << script;
        EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
        EXPECT_EQ(kept.size(), 1u) << "a refused file must not change the events";
    }
}
