#pragma once
// The engine's modal message box. Every box is first written to the message log
// (standard error) as one line "[caption] text", line breaks as the two
// characters \n, after the line that locates it when a script line raised it
// (ScriptPlace.h). In batch mode nobody is asked: OK boxes answer OK and questions
// take the next answer of the configured list, or their last button once the list
// is used up. Otherwise a real modal X11 dialog blocks the thread until answered.

enum MessageButtons { MB_OK = 0, MB_YESNOCANCEL = 3, MB_YESNO = 4 };
enum MessageAnswer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

int messageBox(const char* text, const char* caption, int buttons);
