#pragma once
// Helpers shared by the test programs: batch mode (no dialog ever opens in a
// test), a temporary folder that becomes the working directory, a GL window for
// tests that draw, and capture of the message log.

#include "platform/PlatformConfig.h"

#include <string>
#include <vector>

// Every test program that includes this header runs in batch mode.
inline const bool kestuTestsRunInBatchMode = (platformConfig().batch = true, true);

// A fresh folder under /tmp, made the working directory for the object's life
// and removed afterwards.
class TempWorkingDirectory {
  public:
    TempWorkingDirectory();
    ~TempWorkingDirectory();
    const std::string& path() const { return path_; }
    // Writes a file (creating parent folders); path may use backslashes.
    void writeFile(const std::string& relativePath, const std::string& contents) const;
    std::string readFile(const std::string& relativePath) const;

  private:
    std::string path_;
    std::string previous_;
};

// Opens (once per process) the 800 x 600 SDL OpenGL window with the engine's
// attributes; needs a display (the test command runs under Xvfb). Returns
// false when no window could be made.
bool openTestWindow();

// Message-log capture: the lines written to standard error between start and stop.
void startCapturingMessages();
std::vector<std::string> stopCapturingMessages();

// The build folder: every test program is <build>/tests/test_<name>.
std::string buildFolder();
// Runs a shell command; its exit status, or -1 when it did not exit.
int runCommand(const std::string& command);
// The resident memory of this process, in kilobytes.
long residentKilobytes();
