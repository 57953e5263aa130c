#include "landscape/TerrainPool.h"

#include "landscape/SharedArray.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

uint64_t newArrayVersion() {
    static std::atomic<uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

namespace {

const size_t blockAlignment = 64;         // bytes; every block starts on a cache line
const size_t pageBytes = 4096;            // bytes
const size_t slabBytes = size_t(2) << 20; // bytes; slabs are aligned to their size
const size_t largestSlabBlock = slabBytes / 16;

struct Slab {
    uint8_t* base;            // slabBytes, aligned to slabBytes
    size_t blockBytes;        // size of every block of the slab
    size_t capacity;          // blocks the slab holds
    size_t live = 0;          // blocks in use
    size_t carved = 0;        // blocks handed out at least once, from the start
    void* freeList = nullptr; // freed blocks, linked through their first word
};

struct SizeClass {
    std::vector<Slab*> withRoom; // slabs with a free or uncarved block
};

struct Pool {
    std::mutex lock;
    std::unordered_map<size_t, SizeClass> classes; // by block size
    std::unordered_map<uintptr_t, Slab*> slabs;    // by base address
    std::unordered_map<uintptr_t, size_t> regions; // large regions: address, length
    size_t mappedBytes = 0;
    size_t usedBytes = 0; // in the blocks and regions handed out
    size_t limit = 0;     // most usedBytes may grow to; 0 = no limit but the system's
};

Pool& pool() {
    static Pool* instance = new Pool; // lives until exit; arrays may outlive statics
    return *instance;
}

size_t roundUp(size_t value, size_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// Maps length bytes aligned to `alignment` and faults all of their pages in
// with one call, which costs far less than a fault per page on first touch.
// No huge pages are asked for: with the common defrag=madvise setting every
// fault on such a region may stall in direct compaction once other programs
// have fragmented memory.
uint8_t* mapRegion(size_t length, size_t alignment) {
    size_t span = length + alignment;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = roundUp(start, alignment);
    if (aligned > start)
        munmap(raw, aligned - start);
    uintptr_t end = start + span;
    if (end > aligned + length)
        munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
#ifdef MADV_POPULATE_WRITE
    madvise(reinterpret_cast<void*>(aligned), length,
            MADV_POPULATE_WRITE); // may fail: then on touch
#endif
    return reinterpret_cast<uint8_t*>(aligned);
}

void* takeBlock(Slab& slab) {
    void* block = slab.freeList;
    if (block != nullptr)
        slab.freeList = *static_cast<void**>(block);
    else
        block = slab.base + slab.carved++ * slab.blockBytes;
    ++slab.live;
    return block;
}

bool hasRoom(const Slab& slab) {
    return slab.freeList != nullptr || slab.carved < slab.capacity;
}

} // namespace

void* terrainAllocate(size_t bytes) {
    size_t size = roundUp(bytes == 0 ? 1 : bytes, blockAlignment);
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    if (p.limit != 0 && p.usedBytes + size > p.limit)
        throw std::bad_alloc();
    if (size > largestSlabBlock) {
        size_t length = roundUp(size, pageBytes);
        uint8_t* region = mapRegion(length, pageBytes);
        p.regions[reinterpret_cast<uintptr_t>(region)] = length;
        p.mappedBytes += length;
        p.usedBytes += size;
        return region;
    }
    SizeClass& sizeClass = p.classes[size];
    while (!sizeClass.withRoom.empty() && !hasRoom(*sizeClass.withRoom.back()))
        sizeClass.withRoom.pop_back();
    if (sizeClass.withRoom.empty()) {
        Slab* slab = new Slab{mapRegion(slabBytes, slabBytes), size, slabBytes / size};
        p.slabs[reinterpret_cast<uintptr_t>(slab->base)] = slab;
        p.mappedBytes += slabBytes;
        sizeClass.withRoom.push_back(slab);
    }
    Slab& slab = *sizeClass.withRoom.back();
    void* block = takeBlock(slab);
    if (!hasRoom(slab))
        sizeClass.withRoom.pop_back();
    p.usedBytes += size;
    return block;
}

void terrainFree(void* block, size_t bytes) {
    if (block == nullptr)
        return;
    size_t size = roundUp(bytes == 0 ? 1 : bytes, blockAlignment);
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    uintptr_t address = reinterpret_cast<uintptr_t>(block);
    if (size > largestSlabBlock) {
        auto region = p.regions.find(address);
        if (region == p.regions.end())
            return;
        munmap(block, region->second);
        p.mappedBytes -= region->second;
        p.usedBytes -= size;
        p.regions.erase(region);
        return;
    }
    auto found = p.slabs.find(address & ~uintptr_t(slabBytes - 1));
    if (found == p.slabs.end())
        return;
    Slab& slab = *found->second;
    bool wasFull = !hasRoom(slab);
    *static_cast<void**>(block) = slab.freeList;
    slab.freeList = block;
    --slab.live;
    p.usedBytes -= size;
    if (wasFull)
        p.classes[slab.blockBytes].withRoom.push_back(&slab);
}

// Gives back the whole pages inside the free blocks of a slab, keeping the
// first word of each block, which links the free list; adjacent free blocks
// are given back in one call.
static void releaseFreePages(Slab& slab) {
    std::vector<std::pair<uintptr_t, uintptr_t>> spans;
    for (void* block = slab.freeList; block != nullptr; block = *static_cast<void**>(block)) {
        uintptr_t start = reinterpret_cast<uintptr_t>(block);
        spans.emplace_back(start, start + slab.blockBytes);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t k = 0; k < spans.size();) {
        uintptr_t begin = roundUp(spans[k].first + sizeof(void*), pageBytes);
        uintptr_t end = spans[k].second;
        // A run of adjacent blocks keeps the link words of the later blocks.
        for (++k; k < spans.size() && spans[k].first == end; ++k) {
            uintptr_t link = spans[k].first / pageBytes * pageBytes;
            if (link > begin)
                madvise(reinterpret_cast<void*>(begin), link - begin, MADV_DONTNEED);
            begin = roundUp(spans[k].first + sizeof(void*), pageBytes);
            end = spans[k].second;
        }
        end = end / pageBytes * pageBytes;
        if (end > begin)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
    }
}

void terrainTrim(bool freePages) {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    if (freePages)
        for (auto& entry : p.slabs)
            if (entry.second->live > 0)
                releaseFreePages(*entry.second);
    for (auto& entry : p.classes) {
        std::vector<Slab*>& slabs = entry.second.withRoom;
        size_t kept = 0;
        for (Slab* slab : slabs) {
            if (slab->live > 0) {
                slabs[kept++] = slab;
                continue;
            }
            munmap(slab->base, slabBytes);
            p.mappedBytes -= slabBytes;
            p.slabs.erase(reinterpret_cast<uintptr_t>(slab->base));
            delete slab;
        }
        slabs.resize(kept);
    }
}

size_t terrainPoolBytes() {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.mappedBytes;
}

size_t terrainPoolUsedBytes() {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.usedBytes;
}

void setTerrainPoolLimit(size_t bytes) {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    p.limit = bytes;
}
