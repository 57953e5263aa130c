#pragma once
// SDL turns the terminal's interrupt (Ctrl+C) and the termination request
// into a window-close event, which the engine ignores by design; so that
// Ctrl+C, `kill` and time limits still end the program, call this right
// after SDL_Init to give both signals back their default meaning.

void restoreTerminationSignals();
