#include "platform/FileSystem.h"

#include "platform/FileWatch.h"

#include <SDL.h>

std::string hostPath(const char* path) {
    std::string result = path ? path : "";
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

FILE* openFile(const char* path, const char* mode) {
    std::string host = hostPath(path);
    FileWatch::noteOpen(host, mode);
    return std::fopen(host.c_str(), mode);
}

SDL_RWops* openRWops(const char* path, const char* mode) {
    std::string host = hostPath(path);
    FileWatch::noteOpen(host, mode);
    return SDL_RWFromFile(host.c_str(), mode);
}
