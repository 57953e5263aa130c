#include "app/Window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

namespace {

void setGlAttributes(int depthBits) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

} // namespace

SDL_Surface* openWindow(bool fullScreen) {
    const Uint32 flags = fullScreen ? SDL_OPENGL | SDL_FULLSCREEN : SDL_OPENGL;
    const int depthChoices[] = {32, 24, 16};
    SDL_Surface* screen = nullptr;
    for (int depthBits : depthChoices) {
        setGlAttributes(depthBits);
        SDL_GetVideoInfo();
        screen = SDL_SetVideoMode(windowWidth, windowHeight, 32, flags);
        if (screen != nullptr)
            break;
    }
    if (screen != nullptr)
        SDL_WM_SetCaption("Kestu", "Kestu");
    return screen;
}

void setFixedGlState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, windowWidth, windowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Aspect 4/3 as the double 1.3333333333333335; the near plane is the
    // single-precision 0.1 widened to double.
    gluPerspective(90.0, 1.3333333333333335, double(0.1f), 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
