#include "platform/FileWatch.h"

#include <cstring>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>

namespace {

FileWatch* recordingWatch = nullptr; // the watch recording a build, or none
std::mutex recording;                // guards recordingWatch and what it records

int64_t nanoseconds(const timespec& t) {
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Hidden files, editors' swap and lock files and backups: not the author's
// files, and rewritten while the author types.
bool isLeftover(const char* name) {
    size_t length = std::strlen(name);
    return length == 0 || name[0] == '.' || name[0] == '#' || name[length - 1] == '~';
}

FileState stateOf(const struct stat& info) {
    FileState state;
    state.exists = true;
    state.identity = uint64_t(info.st_dev) * 0x9E3779B97F4A7C15u ^ uint64_t(info.st_ino);
    state.size = uint64_t(info.st_size);
    state.modified = nanoseconds(info.st_mtim);
    state.changed = nanoseconds(info.st_ctim);
    return state;
}

} // namespace

bool FileState::operator==(const FileState& other) const {
    return exists == other.exists && identity == other.identity && size == other.size &&
           modified == other.modified && changed == other.changed;
}

FileState fileState(const std::string& hostPath) {
    struct stat info;
    return stat(hostPath.c_str(), &info) == 0 ? stateOf(info) : FileState();
}

FileWatch::~FileWatch() {
    std::lock_guard<std::mutex> lock(recording);
    if (recordingWatch == this)
        recordingWatch = nullptr;
}

void FileWatch::startRecording(const std::string& watchedFolder) {
    folder = watchedFolder;
    recorded.clear();
    written.clear();
    lastLook.clear();
    reported = false;
    changed.clear();
    listFolder(recorded);
    std::lock_guard<std::mutex> lock(recording);
    recordingWatch = this;
}

void FileWatch::stopRecording() {
    {
        std::lock_guard<std::mutex> lock(recording);
        if (recordingWatch == this)
            recordingWatch = nullptr;
    }
    // What the build wrote itself is no change to report.
    States inFolder;
    listFolder(inFolder);
    for (const std::string& path : written) {
        if (recorded.count(path) != 0 || inFolder.count(path) != 0)
            recorded[path] = fileState(path);
    }
    lastLook = recorded;
    nextLook = std::chrono::steady_clock::now() + pollInterval;
}

void FileWatch::noteOpen(const std::string& hostPath, const char* mode) {
    std::lock_guard<std::mutex> lock(recording);
    FileWatch* watch = recordingWatch;
    if (watch == nullptr || mode == nullptr)
        return;
    if (mode[0] == 'r')
        watch->recorded.emplace(hostPath, fileState(hostPath)); // the first state stays
    if (mode[0] != 'r' || std::strchr(mode, '+') != nullptr)
        watch->written.insert(hostPath);
}

void FileWatch::listFolder(States& states) const {
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return;
    while (const dirent* entry = readdir(directory)) {
        if (isLeftover(entry->d_name))
            continue;
        std::string path = folder + "/" + entry->d_name;
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            states.emplace(path, stateOf(info));
    }
    closedir(directory);
}

FileWatch::States FileWatch::currentStates() const {
    States states;
    for (const auto& file : recorded)
        states.emplace(file.first, fileState(file.first));
    listFolder(states);
    return states;
}

bool FileWatch::poll() {
    auto now = std::chrono::steady_clock::now();
    if (now < nextLook)
        return false;
    nextLook = now + pollInterval;
    return look();
}

bool FileWatch::look() {
    States states = currentStates();
    bool steady = states == lastLook;
    lastLook = states;
    if (!steady) {
        reported = false; // a new change: report it once it holds still
        return false;
    }
    if (reported)
        return false;
    for (const auto& file : states) {
        auto before = recorded.find(file.first);
        if (before == recorded.end() || before->second != file.second) {
            changed = file.first;
            reported = true;
            return true;
        }
    }
    return false;
}
