#pragma once
// Notices when the files a world was built from change (--watch). A watch
// covers one folder, every file directly in it (so a file that appears or
// goes counts too, but hidden files and editors' leftovers do not: names
// starting with '.' or '#' or ending in '~'), and every file the program
// opened while the watch was recording a build.
//
// Each file is compared with the state it had when the build first opened
// it, so a save that lands while the world is being built is not missed; a
// file the build wrote itself is compared with the state it had when the
// recording ended. A state is taken by name (identity, size, modification
// and change times), so a file that an editor replaces by renaming a new one
// over it counts as changed, and so does one that appears or goes.
//
// The watch polls, which needs nothing from the system but stat: poll()
// looks at most once per pollInterval of real time and reports a change once
// the changed files have held still for one more look, so that a save made
// in several steps gives one report, not one per step.

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>

struct FileState {
    bool exists = false;
    uint64_t identity = 0; // device and inode, mixed
    uint64_t size = 0;     // bytes
    int64_t modified = 0;  // ns, last change of the contents
    int64_t changed = 0;   // ns, last change of the contents or the name's entry
    bool operator==(const FileState& other) const;
    bool operator!=(const FileState& other) const { return !(*this == other); }
};

// The state of the file at the host path now (exists false when there is none).
FileState fileState(const std::string& hostPath);

class FileWatch {
  public:
    static constexpr std::chrono::milliseconds pollInterval{200};

    FileWatch() = default;
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Forgets what was watched and starts recording a build: the folder's
    // files as they are now, then every file the program opens until
    // stopRecording. One watch records at a time.
    void startRecording(const std::string& folder);
    void stopRecording();

    // True, once, when a watched file differs from its recorded state and
    // has looked the same at two looks in a row; changedName() then names it.
    bool poll();
    // As poll, but looks now, whatever the time since the last look.
    bool look();
    const std::string& changedName() const { return changed; }

    // Files watched, the folder's included.
    size_t size() const { return recorded.size(); }

    // Called by the file system for every file it opens, with the path in
    // host form and the fopen mode, before the file is opened; from any thread.
    static void noteOpen(const std::string& hostPath, const char* mode);

  private:
    using States = std::map<std::string, FileState>;

    std::string folder;
    States recorded;               // state to compare with, by host path
    std::set<std::string> written; // files the build opened for writing
    States lastLook;               // what the previous look saw
    bool reported = false;         // the change lastLook holds has been reported
    std::string changed;           // a changed file of the latest report
    std::chrono::steady_clock::time_point nextLook{};

    States currentStates() const;
    void listFolder(States& states) const;
};
