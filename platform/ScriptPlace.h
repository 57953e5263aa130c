#pragma once
// Where the scripts are at, for the message log. A map author who is shown
// "Bad directive" wants to know which script and which line; so while a line
// of a directive script or of the demo script is executed, a ScriptPlace
// names the file, the line and the command. Every message box raised in the
// meantime is preceded on standard error by a line of its own,
//
//     Directives/directive9.txt:14: in "loadbump":
//
// then the box's usual "[caption] text" line. A line that is no command is
// named without a keyword ("Directives/directive9.txt:14:"), the file as a
// whole without a line ("Directives/directive7.txt:"). Places nest; the
// innermost one is named. Messages raised inside a place are counted, so
// that a run can end with its own status when a script raised any.
//
// The place is one for the whole program, not one per thread: the scripts
// run on the main thread, and a worker thread raises its messages while the
// main thread waits inside the same command.

#include <cstdint>
#include <cstdio>

class ScriptPlace {
  public:
    // file: the script's path as the host names it; line: from 1, or 0 for the
    // file as a whole; keyword: the command being executed, or null. The texts
    // are borrowed and must outlive the place.
    ScriptPlace(const char* file, int line, const char* keyword);
    ~ScriptPlace();
    ScriptPlace(const ScriptPlace&) = delete;
    ScriptPlace& operator=(const ScriptPlace&) = delete;

    // Writes the innermost place's line to stream and counts the message;
    // false, and nothing written, outside every place. The message box calls
    // it just before its own log line.
    static bool logMessage(std::FILE* stream);

    // Message boxes raised inside a place since the program started.
    static uint32_t messageCount();

  private:
    const char* file;
    int line;
    const char* keyword;
    ScriptPlace* outer; // the place in force when this one began, or none
};
