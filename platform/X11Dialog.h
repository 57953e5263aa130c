#pragma once
// A modal dialog of its own small X11 window: title = caption, the text with its
// line breaks, the buttons of MB_OK / MB_YESNO / MB_YESNOCANCEL. Enter answers
// the first button, Escape answers No or Cancel where there is one. Usable
// before the SDL window exists and while it is open, windowed or full screen.
// Returns IDOK, IDYES, IDNO or IDCANCEL.

int showX11Dialog(const char* text, const char* caption, int buttons);
