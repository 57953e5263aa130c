#pragma once
// The one place where a drawn frame becomes visible. Everything that shows a
// frame (the frame loop, the loading screen, progress displays) calls
// presentFrame instead of swapping buffers itself, so that the virtual clock
// advances once per shown frame and a requested screenshot always holds the
// last frame the user saw. The presenter also hands out the scripted key
// events and the frame limit of an unattended run; the frame loop asks for
// them at the event poll that ends each of its frames. With --video, the
// frames of the frame loop also go to a video.

#include "platform/PlatformConfig.h"

#include <cstdint>
#include <string>

// Starts the requested video (--video) for frames of width x height, at
// 1000 / clock step frames per second under the virtual clock, else 60.
// Called before any window opens; false, with one line in error, when ffmpeg
// is missing or cannot write the file. True when no video is requested.
bool startVideo(int width, int height, std::string& error);

// Marks the start of the frame loop: from here on every frame shown, and
// every repeat of it (presentSameFrame), goes to the video. The loading
// screen and progress displays before it are not recorded, so the video
// starts with the world and keeps the loop's clock.
void enterFrameLoop();

// Swaps the buffers of the SDL OpenGL window. When a screenshot is requested
// the back buffer is read first (into a buffer made once, not per frame).
// Afterwards the virtual clock, if any, moves on by its step (also when no
// window is open, in which case nothing is read or swapped).
void presentFrame();

// Counts a frame whose picture is exactly the one shown last: the virtual
// clock moves on as for presentFrame, but nothing is read or swapped. For
// progress displays, which would otherwise send the same picture thousands of
// times.
void presentSameFrame();

// Writes the requested screenshot of the last shown frame, once; later calls
// do nothing. Safe to call when no frame was shown or no screenshot is
// requested. Also finishes the video. Returns false when a requested
// screenshot could not be written or the video is not whole.
bool endOfRun();

// Calls apply for every scripted key event of loop frame `frame` (from 1),
// in the order they stand in the key file.
void forEachScriptedKey(uint32_t frame, void (*apply)(const KeyEventLine& event));

// True when loop frame `frame` is the last one the run asked for (--frames).
bool isFinalFrame(uint32_t frame);
