#pragma once
// What every fuzz target shares. startFuzzTarget, called from
// LLVMFuzzerInitialize, makes the run unattended and self-contained: message
// boxes answer as in batch mode, an OpenGL context is made current without any
// display (Mesa's surfaceless EGL platform, so texture uploads really happen),
// and the working directory becomes a private scratch folder holding a small
// BMP and MPC ("seed.bmp", "seed.mpc") that inputs may name. Run with
// "--seeds=DIR" (libFuzzer ignores flags with two dashes) a target writes its
// seed corpus, made by the engine's own writers, into DIR and exits.
// The engine's designed endings ("Out of memory", a render list too long)
// unwind back to the target as a DesignedEnd instead of exiting: for an input
// they are a normal result, and fuzzing goes on with the next one.

#include "image/Texture.h"
#include "io/BinaryStream.h"
#include "platform/PlatformConfig.h"
#include "platform/ProgramEnd.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fuzzkit {

namespace fs = std::filesystem;

// Thrown by the fuzz targets' program ending; caught by runUntilEnded.
struct DesignedEnd {
    int status; // the exit status the program would have ended with
};

// Runs one input's work; a designed ending stops it there, as exiting would.
template <class Work> void runUntilEnded(Work work) {
    try {
        work();
    } catch (const DesignedEnd&) {
    }
}

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const fs::path& path, const void* data, size_t size) {
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), size);
}

inline bool makeGlContextWithoutDisplay() {
    auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getDisplay)
        return false;
    EGLDisplay display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (!eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API))
        return false;
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    return context != EGL_NO_CONTEXT &&
           eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

// A 5 x 3 RGB picture written by the engine's BMP writer, and the same pixels
// as an MPC file (22-byte header, packed rows).
inline void writeSeedImages() {
    Texture image;
    image.allocate(5, 3, 3);
    for (int i = 0; i < 5 * 3 * 3; i++)
        image.pixels[i] = uint8_t(i * 37);
    image.saveBmp("seed.bmp");
    FILE* file = std::fopen("seed.mpc", "wb");
    BinaryWriter out(file);
    for (uint16_t field : {200, 5, 3, 3})
        out.u16(field);
    out.zeros(14);
    out.bytes(image.pixels, 5 * 3 * 3);
    std::fclose(file);
}

inline fs::path& scratchFolder() {
    static fs::path folder;
    return folder;
}

// Removes what earlier inputs left in the scratch folder, so that every input
// starts from the same files.
inline void clearScratch() {
    for (const fs::directory_entry& entry : fs::directory_iterator(scratchFolder())) {
        std::string name = entry.path().filename().string();
        if (name != "seed.bmp" && name != "seed.mpc")
            fs::remove_all(entry.path());
    }
}

// The engine never deletes a texture; a fuzz target that uploads some on every
// input deletes them all afterwards, or the driver's memory grows without end.
inline void deleteAllTextures() {
    GLuint last = 0;
    glGenTextures(1, &last);
    for (GLuint name = 1; name <= last; name++)
        glDeleteTextures(1, &name);
}

// makeSeeds runs inside the scratch folder and returns the seed files' bytes.
inline void startFuzzTarget(int* argc, char*** argv, std::vector<std::string> (*makeSeeds)()) {
    platformConfig().batch = true;
    setProgramEndHandler([](int status) { throw DesignedEnd{status}; });
    if (!makeGlContextWithoutDisplay()) {
        std::fprintf(stderr, "fuzz: no surfaceless EGL context (Mesa's libEGL is needed)\n");
        std::exit(1);
    }
    // Inputs and corpus folders may be named relative to the folder the program
    // was started in; libFuzzer reads them after the move to the scratch folder.
    // (Fork mode also needs the program itself named by an absolute path.)
    fs::path seedFolder;
    for (int i = 0; i < *argc; i++) {
        char*& arg = (*argv)[i];
        if (std::strncmp(arg, "--seeds=", 8) == 0)
            seedFolder = fs::absolute(arg + 8);
        else if (i > 0 && arg[0] != '-')
            arg = strdup(fs::absolute(arg).c_str());
    }
    std::string pattern = (fs::temp_directory_path() / "kestu-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::exit(1);
    scratchFolder() = pattern;
    std::atexit([] { fs::remove_all(scratchFolder()); });
    fs::current_path(scratchFolder());
    writeSeedImages();
    if (seedFolder.empty())
        return;
    fs::create_directories(seedFolder);
    std::vector<std::string> seeds = makeSeeds();
    for (size_t i = 0; i < seeds.size(); i++)
        writeBytes(seedFolder / ("seed" + std::to_string(i)), seeds[i].data(), seeds[i].size());
    std::exit(0);
}

} // namespace fuzzkit
