#pragma once
// The engine's one window: 800 x 600, 32 bits per pixel, double-buffered
// OpenGL through SDL, full screen or windowed. The fixed OpenGL state and the
// projection are set once after the window opens and hold for the whole run.

struct SDL_Surface;

const int windowWidth = 800;  // pixels
const int windowHeight = 600; // pixels

// Sets the GL attributes and the video mode. A depth buffer of 32 bits is
// asked for first; where the display has none (as under Xvfb), 24 and then 16
// bits are tried before giving up. Returns the screen surface, or null with
// SDL's error text left for SDL_GetError.
SDL_Surface* openWindow(bool fullScreen);

// Smooth shading, depth test with GL_LEQUAL, the viewport and the 90-degree
// perspective projection; leaves the model-view matrix selected and loaded
// with identity.
void setFixedGlState();
