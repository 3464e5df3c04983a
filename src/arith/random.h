// The run's pseudo-random generator: a 32-bit linear congruential generator, state 0 at program
// start, never seeded from the clock, so that a run repeats its random choices.
#pragma once

#include <cstdint>

#include "arith/errors.h"

namespace corvane {

struct RandomGenerator {
    uint32_t state = 0;
};

// Uniform integer in 0..n-1 (0 for n = 0): state := state·134775813 + 1 mod 2^32, then the high
// 32 bits of the 64-bit product n·state. Throws RangeError for n outside 0..2^31-1.
// Inline: the searches draw millions of numbers.
inline int64_t RandomBelow(RandomGenerator& rng, int64_t n) {
    if (n < 0 || n > INT32_MAX) throw RangeError("RandomBelow");
    rng.state = rng.state * 134775813u + 1u;
    const uint64_t product = static_cast<uint64_t>(n) * rng.state;
    return static_cast<int64_t>(product >> 32);
}

}  // namespace corvane
