#include "tests/support/TestSupport.h"

#include "platform/Input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// Real SDL events through the real queue: needs the test window.
class InputTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openTestWindow()) << "needs a display (run under xvfb-run)";
        pollEvents(); // whatever the window system queued so far
        clearKeys();
        MouseState = MouseRecord();
    }

    static void push(Uint8 type, int symbol) {
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        std::memcpy(&event.key.keysym.sym, &symbol, sizeof symbol); // may lie outside SDLKey
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static void pushButton(Uint8 type, Uint8 button) {
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = type;
        event.button.button = button;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static void pushMotion(Uint16 x, Uint16 y) {
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
};

} // namespace

TEST_F(InputTest, AKeyReadsOneFromItsPressUntilItsRelease) {
    push(SDL_KEYDOWN, SDLK_e);
    pollEvents();
    EXPECT_EQ(KeyState[SDLK_e], 1);
    pollEvents(); // no event: still held
    EXPECT_EQ(KeyState[SDLK_e], 1);
    push(SDL_KEYUP, SDLK_e);
    pollEvents();
    EXPECT_EQ(KeyState[SDLK_e], 0);
}

TEST_F(InputTest, PressAndReleaseBetweenTwoPollsLeaveZero) {
    push(SDL_KEYDOWN, SDLK_g);
    push(SDL_KEYUP, SDLK_g);
    push(SDL_KEYDOWN, SDLK_UP);
    pollEvents();
    EXPECT_EQ(KeyState[SDLK_g], 0);
    EXPECT_EQ(KeyState[SDLK_UP], 1) << "arrows index the table by their symbol (273)";
    EXPECT_EQ(KeyState[273], 1);
}

TEST_F(InputTest, TheWindowCloseRequestIsIgnored) {
    SDL_Event quit;
    std::memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    pollEvents();
    EXPECT_FALSE(quitRequested());
    for (int key = 0; key < keyTableSize; ++key)
        ASSERT_EQ(KeyState[key], 0) << key;
}

TEST_F(InputTest, AQuickEscapeTapBetweenTwoPollsStillQuits) {
    push(SDL_KEYDOWN, SDLK_ESCAPE);
    push(SDL_KEYUP, SDLK_ESCAPE);
    pollEvents();
    EXPECT_TRUE(quitRequested());
}

TEST_F(InputTest, KeySymbolsOutsideTheTableChangeNothing) {
    push(SDL_KEYDOWN, 512);
    push(SDL_KEYDOWN, 70000);
    push(SDL_KEYDOWN, 512 + 'e');
    pollEvents();
    for (int key = 0; key < keyTableSize; ++key)
        ASSERT_EQ(KeyState[key], 0) << key;
}

TEST_F(InputTest, MouseMotionKeepsTheLastPosition) {
    pushMotion(10, 20);
    pushMotion(799, 599);
    pollEvents();
    EXPECT_EQ(MouseState.x, 799u);
    EXPECT_EQ(MouseState.y, 599u);
}

TEST_F(InputTest, MouseButtonsMapToLeftRightAndMiddle) {
    pushButton(SDL_MOUSEBUTTONDOWN, 1);
    pollEvents();
    EXPECT_EQ(MouseState.left, 1);
    EXPECT_EQ(MouseState.right, 0);
    EXPECT_EQ(MouseState.middle, 0);
    pushButton(SDL_MOUSEBUTTONDOWN, 3);
    pollEvents();
    EXPECT_EQ(MouseState.right, 1);
    EXPECT_EQ(MouseState.middle, 0);
    pushButton(SDL_MOUSEBUTTONUP, 1);
    pushButton(SDL_MOUSEBUTTONUP, 3);
    pollEvents();
    EXPECT_EQ(MouseState.left, 0);
    EXPECT_EQ(MouseState.right, 0);

    for (Uint8 other : {2, 4, 5}) {
        pushButton(SDL_MOUSEBUTTONDOWN, other);
        pollEvents();
        EXPECT_EQ(MouseState.middle, 1) << int(other);
        EXPECT_EQ(MouseState.left, 0);
        EXPECT_EQ(MouseState.right, 0);
        pushButton(SDL_MOUSEBUTTONUP, other);
        pollEvents();
        EXPECT_EQ(MouseState.middle, 0) << int(other);
    }
}

TEST(ScriptedInput, KeyEventsApplyAtTheEndOfTheirFrameOnly) {
    clearKeys();
    platformConfig().keys = {{2, true, 'e'}, {3, true, 32}, {3, false, 'e'}, {5, false, 32}};
    platformConfig().frames = 0;
    applyScriptedInput(1);
    EXPECT_EQ(KeyState[int('e')], 0);
    applyScriptedInput(2);
    EXPECT_EQ(KeyState[int('e')], 1);
    applyScriptedInput(3);
    EXPECT_EQ(KeyState[int('e')], 0);
    EXPECT_EQ(KeyState[32], 1);
    applyScriptedInput(4);
    EXPECT_EQ(KeyState[32], 1) << "held between its events";
    applyScriptedInput(5);
    EXPECT_EQ(KeyState[32], 0);
    EXPECT_FALSE(quitRequested());
    platformConfig().keys.clear();
}

TEST(ScriptedInput, PressAndReleaseInOneFrameLeaveZeroLikeTyping) {
    clearKeys();
    platformConfig().keys = {{1, true, 'g'}, {1, false, 'g'}};
    applyScriptedInput(1);
    EXPECT_EQ(KeyState[int('g')], 0);
    platformConfig().keys.clear();
}

TEST(ScriptedInput, TheFrameLimitSetsTheQuitFlagAfterItsFrame) {
    clearKeys();
    platformConfig().frames = 3;
    applyScriptedInput(1);
    applyScriptedInput(2);
    EXPECT_FALSE(quitRequested());
    applyScriptedInput(3);
    EXPECT_TRUE(quitRequested());
    platformConfig().frames = 0;
    clearKeys();
}
