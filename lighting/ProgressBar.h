#pragma once
// The progress display of the long bakes (shadow tracing): a white outline
// three units wide and half a unit high, five units in front of the eye in the
// current projection, filled in light blue from the left as far as the work
// has come. It draws into the SDL OpenGL window when one is open and does
// nothing otherwise, so the bakes also run without a window (tools, tests,
// benchmarks). Showing the drawn frame is the caller's business.

// True when there is a window to draw into.
bool progressDisplayAvailable();

// Saves the model-view matrix and places the bar's origin five units ahead.
void beginProgressDisplay();

// Clears the colour and depth buffers and draws the outline and the bar
// filled for done / total (nothing filled when total is not positive).
void drawProgressBar(int done, int total);

// Draws the bar for done / total and shows it, unless its filling would cover
// the very pixels of the bar shown last since beginProgressDisplay; then the
// frame is only counted (presentSameFrame). The picture on screen is the same
// as drawing and showing every step, at a fraction of the cost.
void showProgressBar(int done, int total);

// Restores the model-view matrix saved by beginProgressDisplay.
void endProgressDisplay();
