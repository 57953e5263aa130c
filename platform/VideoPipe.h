#pragma once
// A video being written by the ffmpeg program: kestu links no codec of its
// own, it starts ffmpeg with the frame size and rate and writes raw 24-bit
// RGB frames, rows top first, into its standard input. ffmpeg picks the
// container and codec from the file name; a name ending in ".mp4" gets H.264
// in yuv420p, which every player shows.
//
// open checks first, with a run of ffmpeg that encodes one frame, that ffmpeg
// is there and accepts the file name, so that a run that cannot record fails
// before it starts. When ffmpeg stops reading halfway, the pipe ends the video
// there, says so once, and takes no more frames; the program goes on.

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class VideoPipe {
  public:
    VideoPipe() = default;
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;
    ~VideoPipe() { finish(); }

    // Starts ffmpeg writing `path` from frames of width x height at `rate`
    // frames per second (a whole or a fraction, "60", "1000/16"). False, with
    // one line in error and nothing running, when ffmpeg is missing or refuses.
    bool open(const std::string& path, int width, int height, const std::string& rate,
              std::string& error);

    bool isOpen() const { return input >= 0; }
    int width() const { return frameWidth; }   // pixels
    int height() const { return frameHeight; } // rows

    // Sends a frame of the opened size, rows bottom first as OpenGL reads
    // them; they are turned right side up. Does nothing when not open.
    void send(const uint8_t* bottomFirstRgb);

    // Ends the input and waits for ffmpeg to finish the file. False when the
    // video is not whole: ffmpeg stopped reading early or reported a failure
    // (said on standard error). Later calls give the same answer.
    bool finish();

    uint32_t framesSent = 0;

  private:
    std::string path;
    int frameWidth = 0, frameHeight = 0;
    int input = -1;                // write end of ffmpeg's standard input
    pid_t child = -1;              // the running ffmpeg
    bool broken = false;           // the video ended early or ffmpeg failed
    std::vector<uint8_t> topFirst; // one frame, turned right side up

    void endEarly(const char* why);
};

// The ffmpeg arguments (without the program name) that write `path` from
// width x height RGB frames at `rate`: from standard input, or for `probe`
// for `probe` from one generated frame, which only checks the name.
std::vector<std::string> ffmpegArguments(const std::string& path, int width, int height,
                                         const std::string& rate, bool probe);
