#pragma once
// Paths keep their backslashes everywhere in memory and in files ("data\maps\a.map");
// these functions are the one place where a path is turned into the host's form
// and a file is opened (and where a watch that records a build learns of
// every file the build opens, FileWatch.h).

#include <cstdio>
#include <string>

struct SDL_RWops;

std::string hostPath(const char* path);
FILE* openFile(const char* path, const char* mode);
SDL_RWops* openRWops(const char* path, const char* mode);
