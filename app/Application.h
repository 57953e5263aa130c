#pragma once
// The engine's entry: opens the window, builds the world with directive
// script 9, asks whether to play the demonstration (script 6) or let the user
// drive (script 4), and runs the frame loop until the quit flag is set. With
// --watch the world is built again between two frames whenever a file it was
// built from changes.
// Returns 0; a video mode that cannot be set ends the program with status 1.

int runApplication();
