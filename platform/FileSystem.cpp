#include "platform/FileSystem.h"

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
    return std::fopen(hostPath(path).c_str(), mode);
}

SDL_RWops* openRWops(const char* path, const char* mode) {
    return SDL_RWFromFile(hostPath(path).c_str(), mode);
}
