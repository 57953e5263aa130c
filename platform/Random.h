#pragma once
// The engine's pseudo-random numbers: one global 32-bit linear congruential
// generator. Each draw moves the state s to s * 214013 + 2531011 (mod 2^32)
// and returns bits 16 to 30 of the new state, a number from 0 to 32767. The
// frame loop seeds it once at start-up with the tick count; under a virtual
// clock that count is fixed, so the same scripts build the same world on
// every run. Palm positions, their yaws and start frames and the explosion
// particles all draw from it.

#include <cstdint>

const int randomMax = 32767; // largest value nextRandom returns

void seedRandom(uint32_t seed);
int nextRandom();
