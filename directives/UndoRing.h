#pragma once
// The five Landscapes of the map builder, used as a ring of undo states. Every
// directive that changes terrain first moves the ring on with pushState: the
// next slot becomes either a copy of the state it leaves, whose terrain arrays
// the two share until either writes one (see SharedArray), or a fresh,
// released Landscape that keeps the view (camera binding and cull radius).
// A push overwrites the oldest state, or after an undo the state that was
// undone. undo steps back until it would reach the newest state again, so at
// most four steps back exist.
//
// The ring owns every Landscape of the program and is the only place that
// writes currentLandscape: after every operation the Landscape of slot
// `current` is the current one. Once filled, a slot keeps its Landscape until
// the ring is destroyed or the older states are dropped (dropOlderStates).

#include <cstdint>

class Landscape;

class UndoRing {
  public:
    static constexpr int slotCount = 5;

    Landscape* slots[slotCount] = {}; // owned; null until first used
    int32_t current = 0;              // slot of the current Landscape
    int32_t newest = 0;               // slot written by the latest pushState

    // Creates the first Landscape in slot 0 and makes it current.
    UndoRing();
    // Releases and deletes every Landscape (see destroySlots).
    ~UndoRing();
    UndoRing(const UndoRing&) = delete;
    UndoRing& operator=(const UndoRing&) = delete;

    // Moves on to the next slot, fills it (copy: a copy of the state just left,
    // sharing its arrays; otherwise released, keeping the camera binding and cull radius) and
    // returns it as the new current Landscape.
    Landscape* pushState(bool copy);
    // Steps back one state unless that would reach the newest one or an empty slot.
    void undo();

    Landscape* currentState() const { return slots[current]; }

    // Drops the recorded drawing of every Landscape of the ring, so whatever a
    // command changed in any of them is drawn afresh.
    void invalidateLists();

    // Releases and deletes every Landscape but the current one, which stays in
    // its slot as the only state: undo has nowhere to go afterwards.
    void dropOlderStates();

    // Releases and deletes the Landscapes of slots 0 to 4 in order; the current
    // Landscape pointer no longer names any of them afterwards.
    void destroySlots();

  private:
    void makeCurrent();
};
