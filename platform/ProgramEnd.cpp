#include "platform/ProgramEnd.h"

#include "platform/MessageBox.h"

#include <cstdlib>

static ProgramEndHandler endHandler = nullptr;

void endProgram(const char* message, int status) {
    if (message != nullptr)
        messageBox(message, "", MB_OK);
    if (endHandler != nullptr)
        endHandler(status);
    std::exit(status); // a handler that returned ends the program all the same
}

void setProgramEndHandler(ProgramEndHandler handler) {
    endHandler = handler;
}
