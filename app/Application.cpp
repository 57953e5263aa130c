#include "app/Application.h"

#include "app/FrameCounter.h"
#include "app/FramePacer.h"
#include "app/TextPrinter.h"
#include "app/Walker.h"
#include "app/Window.h"
#include "app/WorldBuild.h"
#include "image/Texture.h"
#include "landscape/Landscape.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"
#include "platform/PlatformConfig.h"
#include "platform/Presenter.h"
#include "platform/ProgramEnd.h"
#include "platform/Signals.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

const int keyA = 97;  // terrain as line strips while held
const int keyX = 120; // sector bounds while held

const char demoQuestion[] =
    "This is a very early version of the Kestu landscape engine.\n"
    "Due to tight schedule, it is not yet fully operational, but it works fine for this early "
    "demonstration.\n"
    "You can either view the demo, or control the vehicle yourself.\n"
    "Do you want to view the demo?";

// The screen surface the video mode gave; only tested for success.
SDL_Surface* screen = nullptr;

// Everything the run owns, alive from start-up to shutdown. The Landscape
// keeps pointers into the Walker, so an Application is never moved.
class Application {
  public:
    int run();

  private:
    Walker walker;
    WorldBuild world{walker}; // owns every Landscape
    FramePacer pacer;
    FrameCounter frameCounter;
    Texture font; // pixels of the font image; its GL texture outlives it
    TextPrinter printer;
    const Vector3 textOrigin{-2.5f, 1.9f, 0.0f}; // top-left of the overlay text, view space
    const Vector3 glyphSize{0.2f, 0.2f, 0.2f};   // per character, view space
    char frameText[12] = {};                     // decimal frame count
    uint32_t loopFrame = 0;                      // frames of the loop so far

    void openScreen();
    void buildWorld();
    void showLoadingScreen();
    bool chooseDemoOrDrive();
    void rebuildWorld();
    void frame();
    void loadView();
    void moveWalker();
    void drawOverlay();
    int shutDown();
};

// Without a video device there is no window to open; SDL's reason is the
// same "Couldn't set GL mode" line a refused video mode gives. (The X server
// resets that once made a retry tempting are avoided by running Xvfb with
// -noreset; a retry here would only repeat SDL's own short test connection.)
void initVideo() {
    if (SDL_Init(SDL_INIT_VIDEO) == 0)
        return;
    std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
    SDL_Quit();
    std::exit(1);
}

void Application::openScreen() {
    initVideo();
    bool fullScreen = messageBox("FullScreen?", "Project Kestu", MB_YESNO) == IDYES;
    screen = openWindow(fullScreen);
    if (screen == nullptr) {
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
        SDL_Quit();
        std::exit(1);
    }
    setFixedGlState();
    restoreTerminationSignals();
}

void Application::buildWorld() {
    Landscape::immediateDrawing = platformConfig().immediateDrawing;
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    // The font is the program's, not the world's: loaded before the world
    // begins, it is neither watched nor let go with the world.
    font.loadBmp("data\\textures\\ascii.bmp");
    printer.glyphTable.build(font.upload(0));

    world.watching = platformConfig().watch;
    world.seed = getTickCount();
    world.begin();

    pacer.period = 0;
    pacer.resetDeadline();
    frameCounter.start();
    clearKeys();
}

void Application::showLoadingScreen() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    printer.printText(textOrigin, glyphSize, "Loading..", -1);
    presentFrame();
}

// Asks the demo question and runs the chosen script; false when the user
// cancelled and the program should end without entering the loop.
bool Application::chooseDemoOrDrive() {
    int answer = messageBox(demoQuestion, "Project Kestu - Demo", MB_YESNOCANCEL);
    if (answer == IDYES) {
        world.runChosen(6);
    } else if (answer == IDNO) {
        world.runChosen(4);
    } else {
        requestQuit();
        return false;
    }
    return true;
}

void Application::loadView() {
    glLoadIdentity();
    const Vector3* angles = currentLandscape->cameraAngles;
    const Vector3* position = currentLandscape->cameraPosition;
    if (angles == nullptr || position == nullptr)
        return; // a Landscape without a camera binding is viewed from the origin
    glRotatef(angles->x, 1.0f, 0.0f, 0.0f);
    glRotatef(angles->y, 0.0f, 1.0f, 0.0f);
    glTranslatef(-position->x, -position->y, -position->z);
}

void Application::moveWalker() {
    walker.applyKeys(KeyState);
    walker.applyGravity(currentLandscape->heightAt(walker.position.x, walker.position.z));
}

void Application::drawOverlay() {
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    glDisable(GL_DEPTH_TEST);
    frameCounter.update();
    std::snprintf(frameText, sizeof frameText, "%d", int(frameCounter.shown));
    printer.printText(textOrigin, glyphSize, frameText, -1);
    glEnable(GL_DEPTH_TEST);
}

void Application::frame() {
    loadView();
    moveWalker();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    currentLandscape->render(KeyState[keyA] ? GL_LINE_STRIP : GL_TRIANGLES);
    if (KeyState[keyX])
        currentLandscape->drawSectorBounds();

    drawOverlay();
    pacer.wait();
    presentFrame();

    ++loopFrame;
    pollEvents();
    applyScriptedInput(loopFrame);
}

// --watch: between two frames, the world is built again from the files it
// came from; the loop goes on with the new world in the next frame.
void Application::rebuildWorld() {
    std::fprintf(stderr, "kestu: %s changed, rebuilding the world\n",
                 world.watch.changedName().c_str());
    uint32_t taken = world.rebuild([this] { showLoadingScreen(); });
    std::fprintf(stderr, "kestu: rebuilt the world in %u ms; watching %zu files\n", taken,
                 world.watch.size());
    pacer.resetDeadline();
}

int Application::shutDown() {
    SDL_Quit();
    font.release();
    world.directives.reset();
    return 0;
}

int Application::run() {
    openScreen();
    buildWorld();
    showLoadingScreen();
    // Script 9, then one unseen frame: entity updates and placement run once
    // before the question.
    world.runBase();
    if (!chooseDemoOrDrive() || quitRequested())
        return shutDown();
    if (world.watching)
        std::fprintf(stderr, "kestu: watching %zu files of Directives/ and of the build\n",
                     world.watch.size());
    enterFrameLoop();
    do {
        frame();
        if (world.watching && !quitRequested() && world.watch.poll())
            rebuildWorld();
    } while (!quitRequested());
    return shutDown();
}

} // namespace

int runApplication() {
    Application application; // lives, unmoved, until the run returns
    try {
        return application.run();
    } catch (const std::bad_alloc&) {
        // Outside the directives too (the first frames, the demo script's
        // work): an allocation that fails ends the run as the map builder's do.
        endProgram("Out of memory", 1);
    }
}
