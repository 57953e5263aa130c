// Keyboard and mouse: real SDL events through the real queue (this needs the
// test window), and the scripted keys of a batch run.
#include "tests/support/TestSupport.h"

#include "platform/Input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

void push(Uint8 type, int value) {
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        std::memcpy(&event.key.keysym.sym, &value, sizeof value); // may lie outside SDLKey
    } else if (type == SDL_MOUSEMOTION) {
        event.motion.x = Uint16(value % 1000);
        event.motion.y = Uint16(value / 1000);
    } else {
        event.button.button = Uint8(value);
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    }
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

} // namespace

TEST(Input, EventsBetweenTwoPollsGiveTheStateAfterThem) {
    ASSERT_TRUE(openTestWindow()) << "needs a display (run under xvfb-run)";
    using Events = std::vector<std::pair<Uint8, int>>;
    const struct {
        const char* what;
        Events events;
        int key, state;
        bool quits;
    } cases[] = {
        {"press", {{SDL_KEYDOWN, SDLK_e}}, SDLK_e, 1, false},
        {"still held", {}, SDLK_e, 1, false},
        {"release", {{SDL_KEYUP, SDLK_e}}, SDLK_e, 0, false},
        {"a tap", {{SDL_KEYDOWN, SDLK_g}, {SDL_KEYUP, SDLK_g}}, SDLK_g, 0, false},
        {"arrows index by their symbol", {{SDL_KEYDOWN, SDLK_UP}}, 273, 1, false},
        {"symbols outside the table",
         {{SDL_KEYDOWN, 512}, {SDL_KEYDOWN, 70000}, {SDL_KEYDOWN, 512 + 'e'}},
         'e',
         0,
         false},
        {"the window's close request is ignored", {{SDL_QUIT, 0}}, 0, 0, false},
        {"a quick escape tap still quits",
         {{SDL_KEYDOWN, SDLK_ESCAPE}, {SDL_KEYUP, SDLK_ESCAPE}},
         SDLK_e,
         0,
         true},
    };
    pollEvents(); // whatever the window system queued so far
    clearKeys();
    for (const auto& c : cases) {
        for (const auto& e : c.events)
            push(e.first, e.second);
        pollEvents();
        EXPECT_EQ(KeyState[c.key], c.state) << c.what;
        EXPECT_EQ(quitRequested(), c.quits) << c.what;
    }
    clearKeys();
}

TEST(ScriptedInput, KeyEventsApplyAtTheEndOfTheirFrameAndTheLimitQuitsAfterItsFrame) {
    clearKeys();
    platformConfig().keys = {{1, true, 'g'}, {1, false, 'g'}, {2, true, 'e'},
                             {3, true, 32},  {3, false, 'e'}, {5, false, 32}};
    platformConfig().frames = 5;
    const int expected[][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {0, 0}}; // 'e', space
    for (int frame = 1; frame <= 5; ++frame) {
        applyScriptedInput(uint32_t(frame));
        EXPECT_EQ(KeyState['e'], expected[frame - 1][0]) << frame;
        EXPECT_EQ(KeyState[32], expected[frame - 1][1]) << frame;
        EXPECT_EQ(KeyState['g'], 0) << "pressed and released in one frame, like typing";
        EXPECT_EQ(quitRequested(), frame == 5) << frame;
    }
    platformConfig().keys.clear();
    platformConfig().frames = 0;
    clearKeys();
}
