#include "platform/Input.h"

#include "platform/Presenter.h"

#include <SDL.h>

#include <cstring>

uint8_t KeyState[keyTableSize];
MouseRecord MouseState;

// The one event record the poll fills, reused for every event.
static SDL_Event polledEvent;

void clearKeys() {
    std::memset(KeyState, 0, sizeof KeyState);
}

// The key symbol of an event, read as the integer it is: SDL hands over
// values outside its own enumeration, which an SDLKey must never hold.
static uint32_t keySymbol(const SDL_Event& event) {
    uint32_t symbol = 0;
    static_assert(sizeof symbol == sizeof event.key.keysym.sym, "SDLKey is 32 bits");
    std::memcpy(&symbol, &event.key.keysym.sym, sizeof symbol);
    return symbol;
}

static void setKey(uint32_t symbol, uint8_t held) {
    if (symbol < uint32_t(keyTableSize))
        KeyState[symbol] = held;
}

static void setMouseButton(uint8_t button, int32_t held) {
    if (button == SDL_BUTTON_LEFT)
        MouseState.left = held;
    else if (button == SDL_BUTTON_RIGHT)
        MouseState.right = held;
    else
        MouseState.middle = held;
}

void handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
        setKey(keySymbol(event), 1);
        break;
    case SDL_KEYUP:
        // Releasing Escape leaves the quit flag set: a press and release
        // between two polls must still end the program.
        if (keySymbol(event) != uint32_t(quitKey))
            setKey(keySymbol(event), 0);
        break;
    case SDL_MOUSEMOTION:
        MouseState.x = event.motion.x;
        MouseState.y = event.motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
        setMouseButton(event.button.button, 1);
        break;
    case SDL_MOUSEBUTTONUP:
        setMouseButton(event.button.button, 0);
        break;
    default: // SDL_QUIT among them: closing the window does nothing
        break;
    }
}

void pollEvents() {
    while (SDL_PollEvent(&polledEvent))
        handleEvent(polledEvent);
}

static void applyScriptedKey(const KeyEventLine& line) {
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = line.down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = line.down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = SDLKey(line.key); // a named key: always an SDLKey
    handleEvent(event);
}

void applyScriptedInput(uint32_t frame) {
    forEachScriptedKey(frame, applyScriptedKey);
    if (isFinalFrame(frame))
        requestQuit();
}
