#include "platform/Random.h"

static uint32_t randomState = 1; // the C library's start state before any seed

void seedRandom(uint32_t seed) {
    randomState = seed;
}

int nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return int((randomState >> 16) & 0x7FFFu);
}
