#pragma once
// Memory for the terrain's arrays. A 64 x 64-sector map holds tens of
// thousands of small arrays of a few sizes, made and freed in bulk as the undo
// ring moves on. The pool takes memory from the system in 2 MiB slabs, one
// size of block per slab, and faults each slab in with one call instead of
// one fault per page on first touch; arrays too large for a slab get a region
// of their own. Freed blocks are reused first. Slabs left without a block in
// use go back to the system at the next terrainTrim, which the map builder
// calls after every command, so that the memory a step let go of can serve
// the step itself and is returned afterwards. Large regions go back at once.
// Safe to call from several threads. Failure throws std::bad_alloc.

#include <cstddef>

void* terrainAllocate(size_t bytes);
void terrainFree(void* block, size_t bytes);
// Returns every slab without a block in use to the system; with freePages,
// also the whole pages inside free blocks of slabs still in use (they are
// faulted in afresh when reused, so this is for a lasting release).
void terrainTrim(bool freePages = false);
// Bytes the pool holds from the system, in slabs and large regions.
size_t terrainPoolBytes();
// Bytes in the blocks and regions handed out and not yet freed.
size_t terrainPoolUsedBytes();
// At most this many bytes handed out at once (0: no limit but the system's); a
// request past it fails as one the system refuses. For trying the ways a build
// ends when memory runs out without taking the machine's memory away.
void setTerrainPoolLimit(size_t bytes);
