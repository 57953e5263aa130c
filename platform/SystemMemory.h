#pragma once
// The machine's physical memory, for refusing requests that could never be
// held before they are attempted, and the return of freed memory to it.

#include <cstdint>

// Bytes of physical memory, or 0 when the system does not say.
uint64_t physicalMemoryBytes();

// Gives the memory the C library's allocator holds free (in every thread's
// heap) back to the system, so that a world let go leaves the program as
// small as before it was built instead of keeping its freed heap.
void returnFreeMemory();
