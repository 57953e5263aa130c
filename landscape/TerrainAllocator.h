#pragma once
// Storage for the terrain's per-sector arrays. A demo map of 64 x 64 sectors
// holds some 360 MB of vertices and faces, and the undo ring copies the whole
// terrain at every editing directive. Fresh memory costs one page fault per
// 4 KiB on first touch, which made those copies dominate the building of a
// world. This pool takes memory from the system in large blocks whose pages
// are faulted in at once, and keeps freed arrays on free lists by size, so that the next copy
// reuses memory that is already mapped. Memory is not handed back to the system: the ring keeps its
// peak anyway. Safe to call from several threads. Failure throws std::bad_alloc, which the terrain
// turns into its "Out of memory" message.

#include <cstddef>
#include <new>
#include <vector>

void* terrainAllocate(size_t bytes);
void terrainFree(void* block, size_t bytes);

template <class T> struct TerrainAllocator {
    using value_type = T;

    TerrainAllocator() = default;
    template <class U> TerrainAllocator(const TerrainAllocator<U>&) {}

    T* allocate(size_t count) {
        if (count > size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(terrainAllocate(count * sizeof(T)));
    }
    void deallocate(T* block, size_t count) { terrainFree(block, count * sizeof(T)); }
};

template <class T, class U>
bool operator==(const TerrainAllocator<T>&, const TerrainAllocator<U>&) {
    return true;
}
template <class T, class U>
bool operator!=(const TerrainAllocator<T>&, const TerrainAllocator<U>&) {
    return false;
}

// A packed, owned array of terrain data.
template <class T> using TerrainArray = std::vector<T, TerrainAllocator<T>>;
