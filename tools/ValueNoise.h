#pragma once
// Deterministic value noise of the data generator: random values on an integer
// lattice (from a hash of the lattice point and a seed), blended smoothly
// between lattice points. With a period the lattice repeats, so a texture made
// from it tiles seamlessly. Same seed, same numbers, on every machine.

#include <cstdint>

class ValueNoise {
  public:
    explicit ValueNoise(uint32_t seed) : seed_(seed) {}

    // Lattice value at integer point (ix, iy), in [0, 1).
    float lattice(int ix, int iy) const;

    // Smoothly interpolated noise at (x, y), in [0, 1]. A period above 0 wraps the
    // lattice every period units in x and in y.
    float at(float x, float y, int period = 0) const;

    // Sum of octaves of at(), each of twice the frequency and half the weight of
    // the previous one, normalised to [0, 1]. The period (if any) is the one of
    // the first octave and doubles with the frequency.
    float fractal(float x, float y, int octaves, int period = 0) const;

    // Ridged octaves: 1 - |2 n - 1| per octave, giving sharp crests; in [0, 1].
    float ridged(float x, float y, int octaves) const;

  private:
    uint32_t seed_;
};
