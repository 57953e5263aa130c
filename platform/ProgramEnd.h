#pragma once
// The engine's designed endings: "Out of memory", a render list too long for
// its limit, and the like, after which the engine has nothing sensible to go
// on with. Each shows its message and ends the program with its status
// through endProgram alone, so that a host that must outlive them (a fuzz
// target) can put its own ending in place: one that throws back to the host
// instead of exiting, so that a designed ending is an ordinary result there.
// Called only from the thread that runs the engine, never from a worker
// pool's job; work on the pool throws std::bad_alloc instead.

// Receives the exit status; must not return (it exits or throws).
using ProgramEndHandler = void (*)(int status);

// Shows message (an OK box with an empty caption; none when message is
// nullptr), then ends: by the handler when one is set, else by std::exit.
[[noreturn]] void endProgram(const char* message, int status);

// nullptr puts back std::exit.
void setProgramEndHandler(ProgramEndHandler handler);
