#include "platform/VideoPipe.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char ffmpegProgram[] = "ffmpeg";

bool endsWith(const std::string& text, const char* tail) {
    size_t length = std::strlen(tail);
    if (text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[text.size() - length + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != tail[i])
            return false;
    }
    return true;
}

// Starts ffmpeg with the arguments, its standard input from `in` and its
// standard error to `err` (-1: kestu's own), every other descriptor of kestu
// closed (they are opened close-on-exec here) and SIGPIPE back to its default.
// Returns the child, or -1 with errno's reason in `failure`.
pid_t spawnFfmpeg(const std::vector<std::string>& arguments, int in, int err, int& failure) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(ffmpegProgram));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    if (err >= 0)
        posix_spawn_file_actions_adddup2(&actions, err, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t child = -1;
    failure = posix_spawnp(&child, ffmpegProgram, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return failure == 0 ? child : -1;
}

// Waits for the child; its exit status, or -1 when a signal ended it.
int waitFor(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string lastLine(const std::string& text) {
    size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos)
        return std::string();
    size_t start = text.find_last_of('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

// Runs ffmpeg on one generated frame with the output options of the real
// run: it fails the way the real run would when the name has no format, the
// folder is missing or unwritable, or the codec is not there. The trial file
// is removed again.
bool probeFfmpeg(const std::string& path, const std::vector<std::string>& arguments,
                 std::string& error) {
    int messages[2];
    if (pipe2(messages, O_CLOEXEC) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int failure = 0;
    pid_t child = spawnFfmpeg(arguments, nothing < 0 ? 0 : nothing, messages[1], failure);
    ::close(messages[1]);
    if (nothing >= 0)
        ::close(nothing);
    std::string text;
    char buffer[512];
    ssize_t got;
    while ((got = read(messages[0], buffer, sizeof buffer)) != 0) {
        if (got > 0)
            text.append(buffer, size_t(got));
        else if (errno != EINTR)
            break;
    }
    ::close(messages[0]);
    if (child < 0) {
        error = failure == ENOENT ? "the ffmpeg program is not installed (Debian package ffmpeg)"
                                  : std::string("cannot start ffmpeg: ") + std::strerror(failure);
        return false;
    }
    int status = waitFor(child);
    if (status != 0) {
        std::string said = lastLine(text);
        error = "ffmpeg cannot write it" + (said.empty() ? std::string() : ": " + said);
        return false;
    }
    std::remove(path.c_str());
    return true;
}

} // namespace

std::vector<std::string> ffmpegArguments(const std::string& path, int width, int height,
                                         const std::string& rate, bool probe) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> arguments = {"-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    if (probe) {
        arguments.insert(arguments.end(), {"-f", "lavfi", "-i",
                                           "color=size=" + size + ":rate=" + rate + ",format=rgb24",
                                           "-frames:v", "1"});
    } else {
        arguments.insert(arguments.end(),
                         {"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size,
                          "-framerate", rate, "-i", "pipe:0"});
    }
    if (endsWith(path, ".mp4"))
        arguments.insert(arguments.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p"});
    // "file:" keeps ffmpeg from reading the name as a protocol or an option.
    arguments.push_back("file:" + path);
    return arguments;
}

bool VideoPipe::open(const std::string& name, int widthWanted, int heightWanted,
                     const std::string& rate, std::string& error) {
    finish();
    if (name.empty() || widthWanted <= 0 || heightWanted <= 0) {
        error = "no file name or frame size";
        return false;
    }
    if (!probeFfmpeg(name, ffmpegArguments(name, widthWanted, heightWanted, rate, true), error))
        return false;

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    int failure = 0;
    child = spawnFfmpeg(ffmpegArguments(name, widthWanted, heightWanted, rate, false), ends[0], -1,
                        failure);
    ::close(ends[0]);
    if (child < 0) {
        ::close(ends[1]);
        error = std::string("cannot start ffmpeg: ") + std::strerror(failure);
        return false;
    }
    // A reader that goes away must not end kestu: writes then fail with EPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    input = ends[1];
    path = name;
    frameWidth = widthWanted;
    frameHeight = heightWanted;
    broken = false;
    framesSent = 0;
    topFirst.resize(size_t(frameWidth) * size_t(frameHeight) * 3u);
    return true;
}

void VideoPipe::send(const uint8_t* bottomFirstRgb) {
    if (input < 0 || bottomFirstRgb == nullptr)
        return;
    const size_t row = size_t(frameWidth) * 3u;
    for (int y = 0; y < frameHeight; ++y)
        std::memcpy(&topFirst[size_t(y) * row], bottomFirstRgb + size_t(frameHeight - 1 - y) * row,
                    row);
    size_t done = 0;
    while (done < topFirst.size()) {
        ssize_t wrote = write(input, topFirst.data() + done, topFirst.size() - done);
        if (wrote > 0) {
            done += size_t(wrote);
        } else if (wrote < 0 && errno != EINTR) {
            endEarly(errno == EPIPE ? "ffmpeg stopped reading" : std::strerror(errno));
            return;
        }
    }
    ++framesSent;
}

void VideoPipe::endEarly(const char* why) {
    std::fprintf(stderr, "kestu: the video %s ends after %u frames: %s; the run goes on\n",
                 path.c_str(), framesSent, why);
    broken = true;
    finish();
}

bool VideoPipe::finish() {
    if (child < 0)
        return !broken;
    ::close(input);
    input = -1;
    int status = waitFor(child);
    child = -1;
    if (status != 0 && !broken) {
        std::fprintf(stderr, "kestu: ffmpeg could not finish the video %s (status %d)\n",
                     path.c_str(), status);
        broken = true;
    }
    return !broken;
}
