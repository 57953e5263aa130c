#include "tests/support/TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempWorkingDirectory::TempWorkingDirectory() {
    char pattern[] = "/tmp/kestu-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) // never fall back on a shared folder: it is removed afterwards
        throw std::runtime_error("TempWorkingDirectory: cannot make a folder under /tmp");
    path_ = made;
    previous_ = fs::current_path().string();
    fs::current_path(path_);
}

TempWorkingDirectory::~TempWorkingDirectory() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

static std::string slashed(std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

void TempWorkingDirectory::writeFile(const std::string& relativePath,
                                     const std::string& contents) const {
    fs::path full = fs::path(path_) / slashed(relativePath);
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out << contents;
}

std::string TempWorkingDirectory::readFile(const std::string& relativePath) const {
    std::ifstream in(fs::path(path_) / slashed(relativePath), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One attempt at the window; SDL is shut down again when it fails.
static bool tryOpenWindow() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return false;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 32);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (SDL_SetVideoMode(800, 600, 32, SDL_OPENGL) != nullptr)
        return true;
    SDL_Quit();
    return false;
}

bool openTestWindow() {
    static int state = 0; // 0 = not tried, 1 = open, 2 = failed
    if (state == 0) {
        // A virtual X server that has just started, or is busy with other
        // programs' connections, can refuse the first connection; try again
        // before calling the display missing.
        state = 2;
        for (int attempt = 0; attempt < 5 && state != 1; ++attempt) {
            if (attempt > 0)
                SDL_Delay(300);
            if (tryOpenWindow())
                state = 1;
        }
        if (state != 1)
            std::fprintf(stderr, "openTestWindow: %s\n", SDL_GetError());
    }
    return state == 1;
}

void startCapturingMessages() {
    testing::internal::CaptureStderr();
}

std::vector<std::string> stopCapturingMessages() {
    std::string all = testing::internal::GetCapturedStderr();
    std::vector<std::string> lines;
    std::istringstream in(all);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string buildFolder() {
    return fs::canonical("/proc/self/exe").parent_path().parent_path().string();
}

int runCommand(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kilobytes = -1;
    while (status >> key)
        if (key == "VmRSS:" && status >> kilobytes)
            break;
    return kilobytes;
}
