// The process-wide linear congruential generator shared by physics, particles and the sea.
#include "math/random.h"

namespace {
uint32_t gState = 1;
}

void seedRandom(uint32_t seed) { gState = seed; }

int nextRandom() {
    gState = gState * 214013u + 2531011u;
    return static_cast<int>((gState >> 16) & 32767u);
}

double uniform(double x) { return nextRandom() * (1.0 / 32767.0) * x; }

double uniformRange() {
    constexpr double kPi = static_cast<double>(3.1415927f);
    return -kPi + 2.0 * kPi * nextRandom() * (1.0 / 32767.0);
}
