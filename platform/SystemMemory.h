#pragma once
// The machine's physical memory, for refusing requests that could never be
// held before they are attempted.

#include <cstdint>

// Bytes of physical memory, or 0 when the system does not say.
uint64_t physicalMemoryBytes();
