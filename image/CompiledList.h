#pragma once
// A recorded run of OpenGL drawing calls (an OpenGL 1.1 display list) that is
// replayed with one call. Static geometry (terrain sectors, model meshes) is
// recorded once and replayed every frame instead of being sent vertex by
// vertex. A CompiledList owns its GL list name and deletes it when reset or
// destroyed; it cannot be copied (a copy of what it draws must record its own
// list). Without a GL context every operation does nothing and ready() stays
// false, so callers keep a direct way of drawing.

#include <cstdint>

class CompiledList {
  public:
    CompiledList() = default;
    ~CompiledList();
    CompiledList(const CompiledList&) = delete;
    CompiledList& operator=(const CompiledList&) = delete;
    CompiledList(CompiledList&& other) noexcept;
    CompiledList& operator=(CompiledList&& other) noexcept;

    // Starts recording (what is drawn until end() is recorded, not shown);
    // false when no list could be made, and then nothing is being recorded.
    bool begin();
    void end();
    // True once a recording has ended and until reset().
    bool ready() const { return name != 0 && recorded; }
    // Replays the recording; nothing when it is not ready.
    void call() const;
    // Deletes the list; the next begin() records afresh.
    void reset();

  private:
    uint32_t name = 0;     // GL display list name; 0 = none
    bool recorded = false; // end() has closed a recording into name
};
