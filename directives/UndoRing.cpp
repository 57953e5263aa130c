#include "directives/UndoRing.h"

#include "entities/EntityList.h"
#include "landscape/Landscape.h"

UndoRing::UndoRing() {
    slots[0] = new Landscape();
    makeCurrent();
}

UndoRing::~UndoRing() {
    destroySlots();
}

Landscape* UndoRing::pushState(bool copy) {
    int old = current;
    current = (old + 1) % slotCount;
    if (slots[current] == nullptr)
        slots[current] = new Landscape();
    Landscape* fresh = slots[current];
    const Landscape* previous = slots[old];
    if (copy) {
        previous->cloneInto(fresh);
    } else {
        fresh->release();
        // A fresh state starts without entities, whether its slot is new or
        // reused: the entities of the state it overwrites do not come back.
        fresh->entities.clear();
        fresh->cameraPosition = previous->cameraPosition;
        fresh->cameraAngles = previous->cameraAngles;
        fresh->cullRadius = previous->cullRadius;
    }
    newest = current;
    makeCurrent();
    return fresh;
}

void UndoRing::undo() {
    int candidate = current >= 1 ? current - 1 : slotCount - 1;
    if (candidate != newest && slots[candidate] != nullptr)
        current = candidate;
    makeCurrent();
}

void UndoRing::invalidateLists() {
    for (Landscape* slot : slots)
        if (slot != nullptr)
            slot->invalidateLists();
}

void UndoRing::dropOlderStates() {
    for (int i = 0; i < slotCount; i++) {
        if (i == current || slots[i] == nullptr)
            continue;
        slots[i]->release();
        delete slots[i];
        slots[i] = nullptr;
    }
    newest = current;
}

void UndoRing::destroySlots() {
    for (int i = 0; i < slotCount; i++) {
        if (slots[i] == nullptr)
            continue;
        if (currentLandscape == slots[i])
            currentLandscape = nullptr;
        slots[i]->release();
        delete slots[i];
        slots[i] = nullptr;
    }
}

void UndoRing::makeCurrent() {
    currentLandscape = slots[current];
    // Buckets copied with a state, or filled while another state was current,
    // may name entities placed elsewhere since; a state that becomes current
    // fills its buckets afresh from its own list.
    adoptEntities(*currentLandscape);
}
