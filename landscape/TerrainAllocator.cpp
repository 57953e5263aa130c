#include "landscape/TerrainAllocator.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

const size_t blockAlignment = 64;          // bytes; every array starts on a cache line
const size_t hugePage = size_t(2) << 20;   // bytes
const size_t chunkSize = size_t(64) << 20; // bytes taken from the system at a time

struct TerrainPool {
    std::mutex lock;
    std::unordered_map<size_t, std::vector<void*>> freeLists; // by rounded size
    uint8_t* next = nullptr;                                  // bump pointer in the current chunk
    size_t left = 0;                                          // bytes left in the current chunk
};

TerrainPool& pool() {
    static TerrainPool* instance = new TerrainPool; // lives until exit; arrays may outlive statics
    return *instance;
}

size_t roundUp(size_t value, size_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// Maps a region, aligned to a huge page for the sake of the kernel's own
// choices, and faults all of its pages in with one call, which costs far less
// than one fault per page on first touch. No huge pages are asked for: with
// the common defrag=madvise setting every fault on such a region may stall in
// direct compaction once other programs have fragmented memory, which made
// start-up take seconds longer and vary from run to run.
uint8_t* mapRegion(size_t bytes) {
    size_t length = bytes + hugePage;
    void* raw = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = roundUp(start, hugePage);
    if (aligned > start)
        munmap(raw, aligned - start);
    uintptr_t end = start + length;
    if (end > aligned + bytes)
        munmap(reinterpret_cast<void*>(aligned + bytes), end - (aligned + bytes));
#ifdef MADV_POPULATE_WRITE
    madvise(reinterpret_cast<void*>(aligned), bytes,
            MADV_POPULATE_WRITE); // may fail: then on touch
#endif
    return reinterpret_cast<uint8_t*>(aligned);
}

} // namespace

void* terrainAllocate(size_t bytes) {
    size_t size = roundUp(bytes == 0 ? 1 : bytes, blockAlignment);
    TerrainPool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    auto list = p.freeLists.find(size);
    if (list != p.freeLists.end() && !list->second.empty()) {
        void* block = list->second.back();
        list->second.pop_back();
        return block;
    }
    if (size > chunkSize / 4)
        return mapRegion(roundUp(size, hugePage));
    if (size > p.left) {
        p.next = mapRegion(chunkSize);
        p.left = chunkSize;
    }
    void* block = p.next;
    p.next += size;
    p.left -= size;
    return block;
}

void terrainFree(void* block, size_t bytes) {
    if (block == nullptr)
        return;
    size_t size = roundUp(bytes == 0 ? 1 : bytes, blockAlignment);
    TerrainPool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    p.freeLists[size].push_back(block);
}
