#include "platform/Presenter.h"

#include "platform/Clock.h"
#include "platform/Screenshot.h"
#include "platform/VideoPipe.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <vector>

namespace {

// The frame most recently handed to the screen, kept only when a screenshot
// is requested. The buffer grows once to the window size and is reused.
struct ShownFrame {
    std::vector<uint8_t> pixels; // RGB, bottom row first, as glReadPixels gives it
    int width = 0;               // pixels
    int height = 0;              // rows
    bool valid = false;          // a frame has been captured
};

// Made on first use and never destroyed: the end-of-run handler runs from
// exit(), after the static objects made later than its registration are
// gone, and must still find the frame (or know that none was shown).
ShownFrame& shownFrame() {
    static ShownFrame* frame = new ShownFrame();
    return *frame;
}

bool runEnded = false;

// The video of the loop's frames, when one is requested; never destroyed
// for the same reason as the shown frame.
VideoPipe& video() {
    static VideoPipe* pipe = new VideoPipe();
    return *pipe;
}

bool inFrameLoop = false;

bool recordingVideo() {
    return inFrameLoop && video().isOpen();
}

void captureBackBuffer() {
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (screen == nullptr || screen->w <= 0 || screen->h <= 0)
        return;
    ShownFrame& frame = shownFrame();
    size_t size = size_t(screen->w) * size_t(screen->h) * 3u;
    if (frame.pixels.size() != size)
        frame.pixels.resize(size);
    frame.width = screen->w;
    frame.height = screen->h;

    GLint oldAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);
    frame.valid = true;
}

// The video takes frames of the size it was started with only.
void sendToVideo() {
    const ShownFrame& frame = shownFrame();
    if (frame.width == video().width() && frame.height == video().height())
        video().send(frame.pixels.data());
}

} // namespace

void presentFrame() {
    // Without an OpenGL window (a tool or test that never opened one) there is
    // nothing to read or swap, but the frame still counts for the clock.
    SDL_Surface* screen = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetVideoSurface() : nullptr;
    if (screen != nullptr && (screen->flags & SDL_OPENGL) != 0) {
        if (!platformConfig().screenshot.empty() || recordingVideo())
            captureBackBuffer();
        if (recordingVideo() && shownFrame().valid)
            sendToVideo();
        SDL_GL_SwapBuffers();
    }
    advanceVirtualClock();
}

void presentSameFrame() {
    if (recordingVideo() && shownFrame().valid)
        sendToVideo();
    advanceVirtualClock();
}

bool startVideo(int width, int height, std::string& error) {
    const PlatformConfig& config = platformConfig();
    if (config.video.empty())
        return true;
    const std::string rate =
        config.clockStep != 0 ? "1000/" + std::to_string(config.clockStep) : std::string("60");
    if (!video().open(config.video, width, height, rate, error)) {
        error = "--video " + config.video + ": " + error;
        return false;
    }
    return true;
}

void enterFrameLoop() {
    inFrameLoop = true;
}

bool endOfRun() {
    if (runEnded)
        return true;
    runEnded = true;
    bool videoWhole = video().finish();
    const std::string& path = platformConfig().screenshot;
    if (path.empty())
        return videoWhole;
    const ShownFrame& shown = shownFrame();
    if (!shown.valid) {
        std::fprintf(stderr, "kestu: no frame was shown, so no screenshot was written to %s\n",
                     path.c_str());
        return false;
    }
    RgbFrame frame;
    frame.width = shown.width;
    frame.height = shown.height;
    frame.pixels = shown.pixels.data();
    frame.order = RowOrder::BottomFirst;
    if (!writeScreenshot(path.c_str(), frame)) {
        std::fprintf(stderr, "kestu: could not write the screenshot %s\n", path.c_str());
        return false;
    }
    return videoWhole;
}

void forEachScriptedKey(uint32_t frame, void (*apply)(const KeyEventLine& event)) {
    for (const KeyEventLine& event : platformConfig().keys) {
        if (event.frame == frame)
            apply(event);
    }
}

bool isFinalFrame(uint32_t frame) {
    uint32_t last = platformConfig().frames;
    return last != 0 && frame >= last;
}
