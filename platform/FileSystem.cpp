#include "platform/FileSystem.h"

#include "platform/FileWatch.h"
#include "platform/MessageBox.h"

#include <SDL.h>

#include <algorithm>

namespace {

// Shows the refusal when the path leaves the folder.
bool refused(const char* path) {
    if (staysInWorldFolder(path))
        return false;
    std::string text = "Refused path outside the world folder: ";
    text += path;
    messageBox(text.c_str(), "", MB_OK);
    return true;
}

} // namespace

std::string hostPath(const char* path) {
    std::string result = path ? path : "";
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

bool staysInWorldFolder(const char* path) {
    std::string p = hostPath(path);
    bool drive = p.size() >= 2 && p[1] == ':' &&
                 ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
    if (p[0] == '/' || p[0] == '~' || drive)
        return false;
    for (size_t start = 0; start <= p.size();) {
        size_t end = std::min(p.find('/', start), p.size());
        if (p.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

FILE* openFile(const char* path, const char* mode) {
    return refused(path) ? nullptr : openOwnFile(path, mode);
}

SDL_RWops* openRWops(const char* path, const char* mode) {
    if (refused(path))
        return nullptr;
    std::string host = hostPath(path);
    FileWatch::noteOpen(host, mode);
    return SDL_RWFromFile(host.c_str(), mode);
}

FILE* openOwnFile(const char* path, const char* mode) {
    std::string host = hostPath(path);
    FileWatch::noteOpen(host, mode);
    return std::fopen(host.c_str(), mode);
}
