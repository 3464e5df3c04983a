// The run's pseudo-random generator: a 32-bit linear congruential generator, state 0 at program
// start, never seeded from the clock, so that a run repeats its random choices.
#pragma once

#include <cstdint>

namespace corvane {

struct RandomGenerator {
    uint32_t state = 0;
};

// Uniform integer in 0..n-1 (0 for n = 0): state := state·134775813 + 1 mod 2^32, then the high
// 32 bits of the 64-bit product n·state. Throws RangeError for n outside 0..2^31-1.
int64_t RandomBelow(RandomGenerator& rng, int64_t n);

}  // namespace corvane
