#pragma once
// Paths keep their backslashes everywhere in memory and in files ("data\maps\a.map");
// these functions are the one place where a path is turned into the host's form
// and a file is opened (and where a watch that records a build learns of
// every file the build opens, FileWatch.h).
//
// A world's files stay in its folder: openFile and openRWops take paths that
// came from a script or a data file, and refuse one that could name a file
// outside the working folder (absolute, starting with a drive letter or '~', or
// with a ".." component once backslashes are slashes). The refusal is one
// message box, "Refused path outside the world folder: <path>" with an empty
// caption, and then the same null a missing file gives, so every caller's
// failure path handles it and nothing is read or written. The check is on the
// text only: links inside the folder keep working. openOwnFile is for the
// engine's own fixed names and for the paths of the user's command line.

#include <cstdio>
#include <string>

struct SDL_RWops;

std::string hostPath(const char* path);
// False when the text could lead outside the working folder; no file is touched.
bool staysInWorldFolder(const char* path);
FILE* openFile(const char* path, const char* mode);
SDL_RWops* openRWops(const char* path, const char* mode);
FILE* openOwnFile(const char* path, const char* mode);
