// The one process-wide pseudo-random generator: s := s * 214013 + 2531011 (mod 2^32), each draw
// yields (s >> 16) & 32767. Reseeded with 1 by scene physics, the particle stream and the sea,
// so every run of the show is identical.
#pragma once

#include <cstdint>

// Sets the state. Tests call seedRandom(1) to start from a known state.
void seedRandom(uint32_t seed);
// Next value in 0 .. 32767.
int nextRandom();
// nextRandom() * (1/32767.0) * x: a value in [0, x].
double uniform(double x);
// -pi + 2 pi * nextRandom() * (1/32767.0), with pi = 3.1415927f.
double uniformRange();
